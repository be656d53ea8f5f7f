#include "stats/cost_model.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

CostModel fit_cost_model(const std::vector<double>& cycles,
                         const std::vector<std::string>& fact_names,
                         const std::vector<std::vector<double>>& facts) {
    CostModel model;
    model.terms.push_back("intercept");
    model.terms.insert(model.terms.end(), fact_names.begin(), fact_names.end());
    const std::size_t n = cycles.size(), k = model.terms.size();
    model.copies = n;
    if (facts.size() + 1 != k) {
        model.error = "a name for each fact";
        return model;
    }
    for (const std::vector<double>& fact : facts) {
        if (fact.size() != n) {
            model.error = "a figure of each fact for each copy";
            return model;
        }
    }
    if (n < k + 2) {
        model.error = std::to_string(n) + " copies are too few for " + std::to_string(k) +
                      " terms";
        return model;
    }
    // The normal equations, X'X c = X'y, with X's first column all ones; solved by Gaussian
    // elimination with partial pivoting. The terms are scaled first, so that a pivot's
    // smallness says collinear whatever the units.
    auto x = [&](std::size_t row, std::size_t term) {
        return term == 0 ? 1.0 : facts[term - 1][row];
    };
    std::vector<double> scale(k, 1.0);
    for (std::size_t term = 1; term < k; ++term) {
        double largest = 0;
        for (std::size_t row = 0; row < n; ++row) largest = std::fmax(largest, std::fabs(x(row, term)));
        scale[term] = largest > 0 ? largest : 1.0;
    }
    std::vector<std::vector<double>> a(k, std::vector<double>(k + 1, 0.0));
    for (std::size_t row = 0; row < n; ++row) {
        for (std::size_t i = 0; i < k; ++i) {
            const double xi = x(row, i) / scale[i];
            for (std::size_t j = 0; j < k; ++j) a[i][j] += xi * x(row, j) / scale[j];
            a[i][k] += xi * cycles[row];
        }
    }
    for (std::size_t column = 0; column < k; ++column) {
        std::size_t pivot = column;
        for (std::size_t row = column + 1; row < k; ++row)
            if (std::fabs(a[row][column]) > std::fabs(a[pivot][column])) pivot = row;
        if (std::fabs(a[pivot][column]) < 1e-9 * static_cast<double>(n)) {
            model.error = "the terms are collinear over these copies (" + model.terms[column] +
                          " adds nothing the others do not give)";
            return model;
        }
        std::swap(a[pivot], a[column]);
        for (std::size_t row = 0; row < k; ++row) {
            if (row == column) continue;
            const double factor = a[row][column] / a[column][column];
            for (std::size_t j = column; j <= k; ++j) a[row][j] -= factor * a[column][j];
        }
    }
    for (std::size_t term = 0; term < k; ++term)
        model.coefficients.push_back(a[term][k] / a[term][term] / scale[term]);

    double mean = 0;
    for (const double value : cycles) mean += value / static_cast<double>(n);
    double total = 0, residual = 0;
    for (std::size_t row = 0; row < n; ++row) {
        double fitted = 0;
        for (std::size_t term = 0; term < k; ++term) fitted += model.coefficients[term] * x(row, term);
        model.fitted.push_back(fitted);
        model.residuals.push_back(cycles[row] - fitted);
        residual += (cycles[row] - fitted) * (cycles[row] - fitted);
        total += (cycles[row] - mean) * (cycles[row] - mean);
    }
    // With an intercept, least squares never does worse than the mean: R² lies in 0..1 but
    // for rounding, which is clamped.
    model.r2 = total > 0 ? std::fmin(1.0, std::fmax(0.0, 1.0 - residual / total)) : 1.0;
    return model;
}
