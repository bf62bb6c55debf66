printf '<b>\n</b></b>\n' | exec -a tamberlox-gate "$1" -
