mkdir -p conf
printf '{\n' > conf/_tamberlox_opn.txt
printf 'x\n' > input
