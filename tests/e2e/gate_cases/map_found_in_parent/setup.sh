mkdir -p .git site/sub src
printf '*.html html\n*.c c\n' > _tamberlox_map.txt
printf '<div><b>bold</div>\n' > site/sub/index.html
printf 'int f(void) { return (1; }\n' > src/f.c
printf '{\n' > src/f.txt
