#include "app/driver.h"

int main(int argc, char** argv) { return real_main(argc, argv); }
