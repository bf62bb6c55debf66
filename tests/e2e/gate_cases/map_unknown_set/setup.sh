printf "*.html htm\n" > _tamberlox_map.txt
printf '%s\n' "ERROR : _tamberlox_map.txt, line 1: set htm: no such folder and no installed set of that name (installed sets: $TAMBERLOX_SETS; --list-sets names them)." >"$E2E_EXPECTED/stderr"
