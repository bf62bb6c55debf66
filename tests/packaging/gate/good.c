int square(int x) { return x * x; }
