TAMBERLOX_THREADS=2 exec -a tamberlox "$1" input >/dev/full
