printf "two\n\none\n" | exec -a tamberlox-gate "$1" three --files-from - three
