#include "app/prompt.h"
int main() { return 0; }
