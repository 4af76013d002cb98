#include "SpectrumView.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_marker.h>
#include <qwt_symbol.h>

SpectrumView::SpectrumView(Compute compute, QWidget *parent)
    : QDialog(parent), m_compute(std::move(compute)), m_channel(new QComboBox(this)),
      m_window(new QComboBox(this)), m_scale(new QComboBox(this)), m_summary(new QLabel(this)),
      m_peaks(new QLabel(this)), m_plot(new QwtPlot(this)), m_curve(new QwtPlotCurve)
{
    setObjectName(QStringLiteral("SpectrumView"));
    setWindowTitle(tr("Spectrum"));
    m_channel->setObjectName(QStringLiteral("Spectrum_cmb_Channel"));
    m_window->setObjectName(QStringLiteral("Spectrum_cmb_Window"));
    m_window->addItem(tr("Flat top"), int(SpectrumWindow::FlatTop));
    m_window->addItem(tr("Hann"), int(SpectrumWindow::Hann));
    m_window->addItem(tr("No window"), int(SpectrumWindow::None));
    m_scale->setObjectName(QStringLiteral("Spectrum_cmb_Scale"));
    m_scale->addItem(tr("Linear"), int(SpectrumScale::Linear));
    m_scale->addItem(tr("dB"), int(SpectrumScale::Decibel));
    m_summary->setObjectName(QStringLiteral("Spectrum_label_Summary"));
    m_summary->setWordWrap(true);
    m_peaks->setObjectName(QStringLiteral("Spectrum_label_Peaks"));
    m_peaks->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_peaks->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    auto *refresh = new QPushButton(tr("Refresh"), this);
    refresh->setObjectName(QStringLiteral("Spectrum_btn_Refresh"));
    refresh->setToolTip(tr("Analyses the visible range, or the stretch between the two "
                           "cursors when both are placed"));

    m_plot->setCanvasBackground(Qt::white);
    m_plot->setAxisTitle(QwtPlot::xBottom, tr("Frequency (Hz)"));
    auto *grid = new QwtPlotGrid;
    grid->setMajorPen(QColor(220, 220, 220), 0.0, Qt::DotLine);
    grid->attach(m_plot);
    m_curve->setPen(QColor(0, 90, 170), 1.0);
    m_curve->attach(m_plot);

    for (QComboBox *box : {m_channel, m_window, m_scale})
        connect(box, QOverload<int>::of(&QComboBox::activated), this, &SpectrumView::refresh);
    connect(refresh, &QPushButton::clicked, this, &SpectrumView::refresh);

    auto *choices = new QHBoxLayout;
    choices->addWidget(new QLabel(tr("Curve:"), this));
    choices->addWidget(m_channel, 1);
    choices->addWidget(new QLabel(tr("Window:"), this));
    choices->addWidget(m_window);
    choices->addWidget(m_scale);
    choices->addWidget(refresh);
    auto *layout = new QGridLayout(this);
    layout->addLayout(choices, 0, 0, 1, 2);
    layout->addWidget(m_plot, 1, 0);
    layout->addWidget(m_peaks, 1, 1);
    layout->addWidget(m_summary, 2, 0, 1, 2);
    layout->setColumnStretch(0, 1);
    resize(760, 420);
}

void SpectrumView::setChannels(const QStringList &titles)
{
    const QString chosen = m_channel->count() > 0 ? m_channel->currentText() : m_wantedCurve;
    m_channel->clear();
    m_channel->addItems(titles);
    const int kept = m_channel->findText(chosen);
    if (kept >= 0)
        m_channel->setCurrentIndex(kept);
}

SpectrumView::Choices SpectrumView::choices() const
{
    const SpectrumOptions chosen = options();
    return {m_channel->count() > 0 ? m_channel->currentText() : m_wantedCurve, chosen.window,
            chosen.scale};
}

void SpectrumView::setChoices(const Choices &choices)
{
    m_wantedCurve = choices.curve;
    const int curve = m_channel->findText(choices.curve);
    if (curve >= 0)
        m_channel->setCurrentIndex(curve);
    m_window->setCurrentIndex(std::max(0, m_window->findData(int(choices.window))));
    m_scale->setCurrentIndex(std::max(0, m_scale->findData(int(choices.scale))));
}

SpectrumOptions SpectrumView::options() const
{
    SpectrumOptions options;
    options.window = static_cast<SpectrumWindow>(m_window->currentData().toInt());
    options.scale = static_cast<SpectrumScale>(m_scale->currentData().toInt());
    return options;
}

void SpectrumView::refresh()
{
    QString error;
    const std::optional<AmplitudeSpectrum> spectrum =
        m_channel->count() == 0 ? std::nullopt
                                : m_compute(m_channel->currentText(), options(), &error);
    if (!spectrum) {
        showRefusal(m_channel->count() == 0 ? tr("No curve to analyse.") : error);
        return;
    }
    showSpectrum(*spectrum);
}

void SpectrumView::showSpectrum(const AmplitudeSpectrum &spectrum)
{
    const std::vector<double> &f = spectrum.frequencies();
    const std::vector<double> &a = spectrum.amplitudes();
    m_curve->setSamples(f.data(), a.data(), int(f.size()));
    m_plot->setAxisTitle(QwtPlot::yLeft, spectrum.scale() == SpectrumScale::Decibel
                                             ? tr("Amplitude (dB)")
                                             : tr("Amplitude"));
    markPeaks(spectrum.peaks());
    m_summary->setText(tr("%1 samples, %2 Hz per bin")
                           .arg(spectrum.sampleCount())
                           .arg(spectrum.binWidth(), 0, 'g', 4));
    m_summary->setStyleSheet(QString());
    QStringList lines{tr("Peaks:")};
    for (const SpectrumPeak &peak : spectrum.peaks())
        lines << QStringLiteral("%1 Hz: %2")
                     .arg(peak.frequency, 0, 'f', 2)
                     .arg(peak.amplitude, 0, 'g', 4);
    m_peaks->setText(lines.join('\n'));
    m_plot->setAxisAutoScale(QwtPlot::xBottom);
    m_plot->setAxisAutoScale(QwtPlot::yLeft);
    m_plot->replot();
}

void SpectrumView::showRefusal(const QString &reason)
{
    m_curve->setSamples(QVector<QPointF>());
    markPeaks({});
    m_peaks->clear();
    m_summary->setText(reason);
    m_summary->setStyleSheet(QStringLiteral("color: #b00000"));
    m_plot->replot();
}

void SpectrumView::markPeaks(const std::vector<SpectrumPeak> &peaks)
{
    for (QwtPlotMarker *mark : m_marks) {
        mark->detach();
        delete mark;
    }
    m_marks.clear();
    for (const SpectrumPeak &peak : peaks) {
        auto *mark = new QwtPlotMarker;
        mark->setSymbol(
            new QwtSymbol(QwtSymbol::Diamond, QColor(200, 60, 0), QPen(Qt::NoPen), QSize(9, 9)));
        mark->setValue(peak.frequency, peak.amplitude);
        mark->attach(m_plot);
        m_marks.push_back(mark);
    }
}

QString SpectrumView::peaksText() const
{
    return m_peaks->text();
}
