mkdir -p conf
printf "{\n" > conf/_tamberlox_opn.txt
printf "}\n" > conf/_tamberlox_cls.txt
printf "{ {\n}\n" > input
