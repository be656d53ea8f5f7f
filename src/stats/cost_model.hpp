// A cost model over the copies of one invocation: core cycles per scan as a linear function
// of facts the profile counts exactly (taken branches, line changes, ...), fitted by least
// squares. It says how much of the copies' differences those facts explain (R²) and which
// copies they leave unexplained (the residuals). Plain arithmetic on plain figures; the
// console and JSON reports write it (console_report.hpp, json_report.hpp).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct CostModel {
    std::vector<std::string> terms;  // "intercept", then the facts' names
    std::vector<double> coefficients;  // core cycles per unit of each term
    double r2 = 0;                     // 0 to 1: the share of the variance explained
    std::vector<double> fitted;        // per copy
    std::vector<double> residuals;     // per copy: measured minus fitted
    std::size_t copies = 0;
    std::string error;  // why there is no model, where there is none
};

// Fits cycles[i] = c0 + sum_j c_j * facts[j][i] over the copies i. `facts` holds one vector
// per term, each as long as `cycles`. No model (error set) with fewer copies than terms
// plus two, or where the terms are collinear over these copies (one is a sum of others,
// or a fact is the same for every copy).
CostModel fit_cost_model(const std::vector<double>& cycles,
                         const std::vector<std::string>& fact_names,
                         const std::vector<std::vector<double>>& facts);
