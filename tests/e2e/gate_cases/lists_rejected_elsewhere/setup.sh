mkdir conf
printf "{\n" > conf/_tamberlox_opn.txt
printf "}\n}\n" > conf/_tamberlox_cls.txt
