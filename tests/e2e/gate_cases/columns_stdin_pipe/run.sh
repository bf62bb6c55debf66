# Content through a pipe: its lines are read again from a copy.
printf '\t\t<div>\n<ul>\t\360\237\230\200</ul\n' | exec -a tamberlox-gate "$1" --lists=html --stdin-filename=page.html -
