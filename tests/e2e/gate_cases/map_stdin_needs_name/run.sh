printf '<b>\n' | exec -a tamberlox-gate "$1" -
