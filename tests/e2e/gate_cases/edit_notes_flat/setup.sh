# The same kinds of findings in text without indentation, blank lines or
# words after the names: nothing to go by, so no note on where a name belongs.
printf '<div>\ntext\n<div>\nmore\n</div>\n' > never_closed.html
printf 'text\n</div>\n<p>x</p>\n' > closes_nothing.html
printf '<div>\n<section>\n</div>\n</section>\n' > crossing.html
