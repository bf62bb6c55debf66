cd site && exec -a tamberlox-gate "$1" --map ../other_map.txt a.x b.y
