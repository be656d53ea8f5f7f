#include "selfcheck/report.hpp"

int main() { return run_selfcheck(); }
