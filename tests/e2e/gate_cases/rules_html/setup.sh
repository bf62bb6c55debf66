printf '<BODY>\n<p>Hello, <b class="x">world</B>.<a name="top"/>\n<!-- <p> -->\n<a title="<b>">x</a>\n</p>\n</body>\n' > good.html
printf '<body>\n<p>Hello, <b>world.</p>\n</body>\n' > bad.html
printf '<body><p>x</p>\n<!-- to be done\n</body>\n' > comment.html
printf '<p title="x"\n' > tag.html
