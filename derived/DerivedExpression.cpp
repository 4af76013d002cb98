#include "DerivedExpression.h"

#include "StatusBits.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <muParser.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kGap = std::numeric_limits<double>::quiet_NaN();

// bit(word, n): bit n of a status word, 0 or 1; a gap where the word or n does not say.
double bitOfWord(double word, double bit)
{
    return std::trunc(bit) == bit && std::abs(bit) < StatusBits::kBitCount
               ? StatusBits::bitOf(word, static_cast<int>(bit))
               : kGap;
}

// The parser's variables are named with a character refused outside quotes, so no name the
// operator types can reach a channel's variable.
constexpr char kVariableMark = '$';
const char *const kNameChars = "0123456789_abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ$";

QString tr(const char *text)
{
    return QCoreApplication::translate("DerivedExpression", text);
}

// What the parser reads, and for each of its characters the position in the operator's text
// it stands for (a channel's variable stands for its opening quote), so that the parser's
// errors point into the text the operator wrote.
struct ParserText
{
    std::string text;
    std::vector<int> origin;
    std::vector<int> inputs;
};

// Why an expression is refused and where (0-based, in the operator's text).
struct Failure
{
    QString reason;
    int position;
};

std::string variableName(std::size_t input)
{
    return kVariableMark + std::to_string(input);
}

// Blanks around the variable keep two quoted channels in a row two names, not one.
void appendChannel(ParserText &out, int channel, int position)
{
    auto found = std::find(out.inputs.begin(), out.inputs.end(), channel);
    const auto input = static_cast<std::size_t>(found - out.inputs.begin());
    if (found == out.inputs.end())
        out.inputs.push_back(channel);
    const std::string name = ' ' + variableName(input) + ' ';
    out.text += name;
    out.origin.insert(out.origin.end(), name.size(), position);
}

// "=" would assign to a channel's variable; "==", "<=", ">=" and "!=" compare.
bool isAssignment(const QString &text, int i)
{
    const QChar before = i > 0 ? text[i - 1] : QChar(' ');
    const QChar after = i + 1 < text.size() ? text[i + 1] : QChar(' ');
    return !QStringLiteral("<>=!").contains(before) && after != QLatin1Char('=');
}

// The checks the parser would report less clearly: quotes, channels, characters it cannot
// read, parentheses and a second top-level expression after a comma.
std::optional<Failure> toParserText(const QString &text, const QStringList &channels,
                                    ParserText &out)
{
    if (text.trimmed().isEmpty())
        return Failure{tr("Empty expression"), 0};
    std::vector<int> openParentheses;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('"')) {
            const int close = text.indexOf(QLatin1Char('"'), i + 1);
            if (close < 0)
                return Failure{tr("Unterminated quote"), i};
            const QString title = text.mid(i + 1, close - i - 1);
            const int channel = channels.indexOf(title);
            if (channel < 0)
                return Failure{tr("Unknown channel \"%1\"").arg(title), i};
            appendChannel(out, channel, i);
            i = close;
            continue;
        }
        if (c.unicode() > 127 || c == QLatin1Char(kVariableMark))
            return Failure{tr("Unexpected character \"%1\"").arg(c), i};
        if (c == QLatin1Char('=') && isAssignment(text, i))
            return Failure{tr("Assignment is not allowed (compare with ==)"), i};
        if (c == QLatin1Char('(')) {
            openParentheses.push_back(i);
        } else if (c == QLatin1Char(')')) {
            if (openParentheses.empty())
                return Failure{tr("Unmatched closing parenthesis"), i};
            openParentheses.pop_back();
        } else if (c == QLatin1Char(',') && openParentheses.empty()) {
            return Failure{tr("Unexpected \",\" outside a function's arguments"), i};
        }
        out.text += static_cast<char>(c.unicode());
        out.origin.push_back(i);
    }
    if (!openParentheses.empty())
        return Failure{tr("Unclosed parenthesis"), openParentheses.back()};
    out.origin.push_back(text.size());
    return std::nullopt;
}

// The parser's token as the operator wrote it, quoted: a variable is its channel's title.
QString shownToken(const std::string &token, const ParserText &parserText,
                   const QStringList &channels)
{
    static const QRegularExpression variable(QStringLiteral("\\$(\\d+)"));
    QString shown = QString::fromStdString(token).trimmed();
    QRegularExpressionMatch match;
    while ((match = variable.match(shown)).hasMatch()) {
        const auto input = static_cast<std::size_t>(match.captured(1).toInt());
        const QString title =
            input < parserText.inputs.size() ? channels[parserText.inputs[input]] : QString();
        shown.replace(match.capturedStart(), match.capturedLength(), title);
    }
    return '"' + shown + '"';
}

QString parserReason(const mu::ParserError &e, const QString &token)
{
    switch (e.GetCode()) {
    case mu::ecUNEXPECTED_OPERATOR:
        return tr("Unexpected operator %1").arg(token);
    case mu::ecUNASSIGNABLE_TOKEN:
        return tr("Unknown name %1").arg(token);
    case mu::ecUNEXPECTED_EOF:
        return tr("Unexpected end of expression");
    case mu::ecUNEXPECTED_ARG_SEP:
    case mu::ecUNEXPECTED_ARG:
    case mu::ecUNEXPECTED_VAL:
    case mu::ecUNEXPECTED_VAR:
    case mu::ecUNEXPECTED_PARENS:
    case mu::ecUNEXPECTED_FUN:
        return tr("Unexpected %1").arg(token);
    case mu::ecTOO_MANY_PARAMS:
        return tr("Too many arguments for %1").arg(token);
    case mu::ecTOO_FEW_PARAMS:
        return tr("Too few arguments for %1").arg(token);
    case mu::ecUNEXPECTED_CONDITIONAL:
    case mu::ecMISSING_ELSE_CLAUSE:
    case mu::ecMISPLACED_COLON:
        return tr("Incomplete condition (write condition ? value : other value)");
    default:
        return QString::fromStdString(e.GetMsg());
    }
}

Failure parserFailure(const mu::ParserError &e, const ParserText &parserText,
                      const QStringList &channels)
{
    const int last = static_cast<int>(parserText.origin.size()) - 1;
    const int position = parserText.origin[std::clamp(e.GetPos(), 0, last)];
    return {parserReason(e, shownToken(e.GetToken(), parserText, channels)), position};
}

} // namespace

std::optional<DerivedExpression>
DerivedExpression::compile(const QString &text, const QStringList &channels, QString *error)
{
    ParserText parserText;
    std::optional<Failure> failure = toParserText(text, channels, parserText);
    if (!failure) {
        try {
            return DerivedExpression(parserText.text, parserText.inputs);
        } catch (const mu::ParserError &e) {
            failure = parserFailure(e, parserText, channels);
        }
    }
    if (error)
        *error = tr("%1 at %2").arg(failure->reason).arg(failure->position + 1);
    return std::nullopt;
}

DerivedExpression::DerivedExpression(std::string parserText, std::vector<int> inputs)
    : m_parserText(std::move(parserText)), m_inputs(std::move(inputs)),
      m_values(std::make_unique<double[]>(m_inputs.size()))
{
    buildParser();
}

// The parser's own copy would read the variables of the expression copied from.
DerivedExpression::DerivedExpression(const DerivedExpression &other)
    : DerivedExpression(other.m_parserText, other.m_inputs)
{}

DerivedExpression &DerivedExpression::operator=(const DerivedExpression &other)
{
    if (this != &other)
        *this = DerivedExpression(other);
    return *this;
}

DerivedExpression::DerivedExpression(DerivedExpression &&other) noexcept = default;
DerivedExpression &DerivedExpression::operator=(DerivedExpression &&other) noexcept = default;
DerivedExpression::~DerivedExpression() = default;

// The parser reads the text only when first evaluated: one evaluation here finds every
// error and leaves the parser on its compiled form.
void DerivedExpression::buildParser()
{
    m_parser = std::make_unique<mu::Parser>();
    m_parser->DefineNameChars(kNameChars);
    m_parser->DefineFun("bit", &bitOfWord);
    for (std::size_t input = 0; input < m_inputs.size(); ++input)
        m_parser->DefineVar(variableName(input), &m_values[input]);
    m_parser->SetExpr(m_parserText);
    m_parser->Eval();
}

double DerivedExpression::evaluate(const double *record) const
{
    for (std::size_t input = 0; input < m_inputs.size(); ++input) {
        const double value = record[m_inputs[input]];
        if (std::isnan(value))
            return kGap;
        m_values[input] = value;
    }
    return evaluateLoaded();
}

void DerivedExpression::evaluate(const std::vector<const double *> &columns, std::size_t rows,
                                 double *out) const
{
    for (std::size_t row = 0; row < rows; ++row) {
        bool gap = false;
        for (std::size_t input = 0; input < m_inputs.size() && !gap; ++input) {
            m_values[input] = columns[m_inputs[input]][row];
            gap = std::isnan(m_values[input]);
        }
        out[row] = gap ? kGap : evaluateLoaded();
    }
}

double DerivedExpression::evaluateLoaded() const
{
    // A parser built with math exceptions throws on x/0 and the like: that too is a gap.
    try {
        const double result = m_parser->Eval();
        return std::isfinite(result) ? result : kGap;
    } catch (const mu::ParserError &) {
        return kGap;
    }
}
