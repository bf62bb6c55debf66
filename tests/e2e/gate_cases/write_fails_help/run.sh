exec -a tamberlox-gate "$1" --help >/dev/full
