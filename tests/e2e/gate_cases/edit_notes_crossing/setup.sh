# A close left out before the enclosing close, found by the indentation coming
# back; a close deeper than its open's line, whose open is read from the lines
# above it.
cat > close_left_out.html <<'H'
<section>
  <div>
    text
</section>
<p>x</p>
</div>
H
cat > deeper_close.html <<'H'
<div>
  <section>
    <p>a</p>
    text
  </div>
</section>
H
