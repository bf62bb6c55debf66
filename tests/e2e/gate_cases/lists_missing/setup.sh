# Where the set was looked for names this folder, wherever it lies.
printf '%s\n' "tamberlox-gate: no _tamberlox_map.txt and no _tamberlox_opn.txt in $(pwd -P) or a parent up to /; name a set with --lists=DIR or --lists=NAME (--list-sets names the installed ones)." >"$E2E_EXPECTED/stderr"
