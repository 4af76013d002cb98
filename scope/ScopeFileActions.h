#pragma once

#include "ScopeFile.h"

#include <QObject>
#include <QString>
#include <QVector>

struct ScopeFileMeta;
class TarnPlugin_ScopePrivate;

// The scope file actions: export of the recording on the plot and import of a scope file
// for viewing. The buttons reach them with their dialogs, progress and message boxes; code
// reaches the same paths with a file name, and hears of a failure through the text it gets
// back. Owned by the scope widget (a Qt child); GUI thread only.
class ScopeFileActions : public QObject
{
    Q_OBJECT

public:
    explicit ScopeFileActions(TarnPlugin_ScopePrivate *scope);

    void exportWithDialog();
    void importWithDialog();
    bool exportTo(const QString &fileName, QString *errorText) const;
    bool importFrom(const QString &fileName, QString *errorText);
    // Puts curves kept earlier (a capture) on the plot, as an import does, with what their
    // metadata says (the trigger mark, when they were recorded); not while sampling.
    bool showCurves(const QVector<ScopeFileCurve> &curves, const ScopeFileMeta &meta,
                    const QString &label, QString *errorText);
    // Adds curves kept earlier beside those on the plot, dashed, their titles marked with
    // `label`, aligned at their starts; refused while sampling or without free curve slots.
    bool compareCurves(const QVector<ScopeFileCurve> &curves, const QString &label,
                       QString *errorText);

private:
    QString refusal() const;
    ScopeFile::Outcome save(const QString &fileName, const ScopeFile::Progress &progress,
                            QString *error) const;
    void show(ScopeFileContent content, const ScopeFileMeta &meta, const QString &label);

    TarnPlugin_ScopePrivate *m_scope;
};
