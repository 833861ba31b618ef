/* STUB example (to be written). */
int main(void) { return 0; }
