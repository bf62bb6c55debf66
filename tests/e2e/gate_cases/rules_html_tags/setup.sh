printf '<a title="1 > 0 <b">x</a> <a title='"'"'"<i>'"'"'>y</a>\n<a name="x"/> <a name=x />\n' > quotes.html
printf '<a href=https://x.org/>X</a>\n' > url.html
printf '<blockquote><ol><b>x</b>\n</ol</blockquote>\n' > broken.html
printf '<p><small><i>x</small></i>\n' > cross.html
printf '<a\n  title="a\n> b"\n>t</a>\n' > lines.html
printf '<ol>x</ol</i>\n' > stray.html
