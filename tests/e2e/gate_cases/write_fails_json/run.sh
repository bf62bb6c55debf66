exec -a tamberlox-gate "$1" --format=json input >/dev/full
