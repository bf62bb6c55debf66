printf "<b>x</b>\\n<em>\\n" > other
