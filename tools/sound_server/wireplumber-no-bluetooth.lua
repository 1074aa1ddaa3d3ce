-- A drop-in for the private WirePlumber of tools/sound_server.sh: no Bluetooth devices.
bluez_monitor.enabled = false
