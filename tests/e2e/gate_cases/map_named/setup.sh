# --map names a map file of any name; its sets are folders relative to it and
# its patterns match paths relative to its folder, whatever the current folder.
mkdir -p conf/sets/braces site
printf '{\n' > conf/sets/braces/_tamberlox_opn.txt
printf '}\n' > conf/sets/braces/_tamberlox_cls.txt
printf 'site/*.x conf/sets/braces\n' > other_map.txt
printf '{\n' > site/a.x
printf '{\n' > site/b.y
