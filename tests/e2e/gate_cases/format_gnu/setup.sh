printf "<ul>\\n<li>one\\n</ul>\\n" > bad.html
printf "<b><em>%%</b></em>\\n" > cross.html
printf "<ul><li>x</li></ul>\\n" > good.html
