exec -a tamberlox-gate "$1" input >/dev/full
