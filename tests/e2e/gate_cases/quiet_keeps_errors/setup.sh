printf "<b><em></b></em>\n" > cross
printf "<li>\n" > open
