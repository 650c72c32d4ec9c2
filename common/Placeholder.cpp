// The library needs one source file until the toolkit lands.
