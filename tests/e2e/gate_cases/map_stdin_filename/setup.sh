printf "*.html html\n*.c c\n" > _tamberlox_map.txt
