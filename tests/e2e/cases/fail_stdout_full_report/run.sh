exec -a tamberlox "$1" input >/dev/full
