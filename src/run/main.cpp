#include "run/report.hpp"

int main() { run_benchmark(); }
