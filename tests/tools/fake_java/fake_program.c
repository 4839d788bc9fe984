/* A program that does nothing. The check only reads its headers and version resource; it is never run. */
int main(void) { return 0; }
