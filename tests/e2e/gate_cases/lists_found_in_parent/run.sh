cd sub && exec -a tamberlox-gate "$1" page
