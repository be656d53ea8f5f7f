// A PNG drawn by gnuplot (gnuplot-nox) for the host tools' charts. The script goes to
// gnuplot's standard input and the image comes back on its standard output, so that no
// file name ever reaches gnuplot (no name can be read as gnuplot commands).
#pragma once

#include <string>

// Runs gnuplot on `script`, stopped after `seconds`. Gives "" with the image's bytes in
// `image`; else one line ("cannot start gnuplot ... (install gnuplot-nox)", "gnuplot did
// not finish the chart within N s and was stopped", "gnuplot failed with exit code N",
// "gnuplot gave no PNG image") and `image` empty.
std::string draw_png(const std::string& script, int seconds, std::string& image);
