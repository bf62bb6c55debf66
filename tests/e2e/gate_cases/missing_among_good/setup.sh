printf "<b></b>\n" > a
printf "<em>\n" > c
mkdir dir
