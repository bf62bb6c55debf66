mkdir _tamberlox_opn.txt
