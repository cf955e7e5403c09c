// Writes sample data files. Placeholder until the data file writer lands.
#include <cstdio>

int main() {
  fprintf(stderr, "loopconv-gen: not built yet\n");
  return 1;
}
