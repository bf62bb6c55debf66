mkdir sub && printf "<b>\n" > sub/page
