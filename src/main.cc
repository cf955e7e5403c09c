#include <cstdio>

#include "convert/driver.h"

int main(int argc, char** argv) {
  return loopconv::runConverter(argc, argv, loopconv::systemPlatform(), stdout,
                                 stderr);
}
