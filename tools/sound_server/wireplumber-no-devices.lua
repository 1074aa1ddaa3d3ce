-- A drop-in for the private WirePlumber of tools/sound_server.sh: it leaves the machine's own
-- sound cards, cameras and Bluetooth alone, so the null sink is the only device it sees.
alsa_monitor.enabled = false
v4l2_monitor.enabled = false
libcamera_monitor.enabled = false
