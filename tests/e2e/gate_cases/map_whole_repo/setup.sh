# One run over a repository of HTML, C and LaTeX, each file with its set.
mkdir -p .git site/sub src/lib docs build
printf '# the sets by name, as installed\n*.html html\nsrc/**/*.[ch]   c\ndocs/*.tex\tlatex\t# the thesis\n\nbuild/** -\n' > _tamberlox_map.txt
printf '<div><b>bold</div>\n' > site/sub/index.html
printf '<p>no pairs</p>\n' > site/plain.html
printf 'int f(void) { return (1; }\n' > src/lib/f.c
printf 'int g(void);\n' > src/lib/g.h
printf 'print("{")\n' > src/tool.py
printf '\\begin{itemize}\n%% \\end{itemize}\n' > docs/a.tex
printf '<div>\n' > build/out.html
printf '{\n' > README.md
