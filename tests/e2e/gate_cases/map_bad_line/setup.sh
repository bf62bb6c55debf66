printf "*.html html\n*.c c extra\n" > _tamberlox_map.txt
