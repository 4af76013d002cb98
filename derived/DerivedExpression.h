#pragma once

#include <QString>
#include <QStringList>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mu {
class Parser;
}

// A derived channel's expression, compiled once against the titles of the recorded channels:
// channels are written as their quoted titles ("J3 Target ACS"), around them muParser's
// arithmetic, ^, comparisons, functions (abs, sqrt, sin, min, max, ...), _pi, _e and numbers.
// A gap in an input and a result that is not finite (x/0, sqrt(-1), log(0)) both give NaN,
// the gap a curve shows; evaluation never throws.
// Owned by whoever evaluates it (the acquisition thread, the plot); one thread at a time,
// since the parser evaluates on a stack of its own. A copy has its own parser and inputs.
class DerivedExpression
{
public:
    // The expression, or none with `error` saying why and where in `text` ("... at 12",
    // counted from 1). Every check happens here, so evaluation cannot fail later.
    static std::optional<DerivedExpression>
    compile(const QString &text, const QStringList &channels, QString *error = nullptr);

    DerivedExpression(const DerivedExpression &other);
    DerivedExpression &operator=(const DerivedExpression &other);
    DerivedExpression(DerivedExpression &&other) noexcept;
    DerivedExpression &operator=(DerivedExpression &&other) noexcept;
    ~DerivedExpression();

    // The channels read, as indexes into the compile-time list, in the order first written.
    const std::vector<int> &inputs() const { return m_inputs; }

    // One record: record[i] is the value of channels[i].
    double evaluate(const double *record) const;
    // Row after row of columns[i], the column of channels[i]; columns not read may be null.
    void evaluate(const std::vector<const double *> &columns, std::size_t rows, double *out) const;

private:
    DerivedExpression(std::string parserText, std::vector<int> inputs);
    void buildParser();
    double evaluateLoaded() const;

    std::string m_parserText; // the channels replaced by the parser's variables
    std::vector<int> m_inputs;
    std::unique_ptr<double[]> m_values; // the variables the parser reads, one per input
    std::unique_ptr<mu::Parser> m_parser;
};
