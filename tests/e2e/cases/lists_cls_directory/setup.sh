mkdir _tamberlox_cls.txt
