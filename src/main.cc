#include <cstdio>

#include "convert/driver.h"

int main(int argc, char** argv) {
  return static_cast<int>(
      loopconv::runConverter(argc, argv, loopconv::systemPlatform(), stdout, stderr));
}
