printf "<b>\n" > one
printf "<em>\n" > two
printf "<li></li>\n" > three
