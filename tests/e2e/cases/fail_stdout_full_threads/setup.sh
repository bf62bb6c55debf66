# 24 MB: checked on several threads.
yes '{ text } and more text' | head -n 1000000 >input
