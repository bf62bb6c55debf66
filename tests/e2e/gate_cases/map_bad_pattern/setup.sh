printf "\n# comment\n[ab.html html\n" > _tamberlox_map.txt
