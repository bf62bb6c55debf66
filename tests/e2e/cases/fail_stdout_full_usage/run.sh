exec -a tamberlox "$1" >/dev/full
