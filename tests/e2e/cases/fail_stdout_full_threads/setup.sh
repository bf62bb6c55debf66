# 6 MB: checked on several threads.
yes '{ text } and more text' | head -n 250000 >input
