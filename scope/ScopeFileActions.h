#pragma once

#include "ScopeFile.h"
#include "ScopeFileSeries.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

struct ScopeFileMeta;
class ScopeRecorder;
class ScopeRecording;
class ScopeStateLine;
class TarnPlugin_Scope;

// The scope file actions: export of the recording on the plot and import of a scope file
// for viewing. The buttons reach them with their dialogs, progress and message boxes; code
// reaches the same paths with a file name, and hears of a failure through the text it gets
// back. Owned by the scope widget (a Qt child); GUI thread only.
class ScopeFileActions : public QObject
{
    Q_OBJECT

public:
    // What the file actions ask of the scope beyond the objects they are given.
    class Host
    {
    public:
        // Says why, to the caller and as the widget's error; returns false.
        virtual bool fail(const QString &text, QString *errorText = nullptr) = 0;
        // Whether an unsaved recording may be replaced; the operator is asked. False also
        // when the scope was deleted while the question was open: return at once then.
        virtual bool mayLoseRecording(const QString &question) = 0;
        virtual const ScopeRecording &recording() const = 0;
        // The recording on the plot is in a file now.
        virtual void noteRecordingSaved() = 0;
        // Replaces the recording on the plot with a loaded one, named `label`.
        virtual void showRecording(ScopeRecording recording, const QString &label) = 0;

    protected:
        ~Host() = default;
    };

    // `scope` is the widget: its exact-values option and its dialogs' parent.
    ScopeFileActions(TarnPlugin_Scope *scope, const ScopeRecorder &recorder,
                     ScopeStateLine &stateLine, Host &host);

    void exportWithDialog();
    void importWithDialog();
    // A file at the name is replaced only when `replace` is true.
    bool exportTo(const QString &fileName, QString *errorText, bool replace) const;
    // `notes` receives what the Import button warns of in a file that still loads (cut or
    // ragged lines, fields that are not numbers, curves beyond the plot's); empty if none.
    bool importFrom(const QString &fileName, QString *errorText, QString *notes = nullptr);
    // The files joined into one recording: each file that belongs to a recording split into
    // numbered files stands for its whole series, joined from its first file; several series
    // or files follow one another. A single file that is no series imports as importFrom().
    // `notes` adds what the join could not show as it stands (files missing or unreadable,
    // shown as gaps).
    bool importFromFiles(const QStringList &fileNames, QString *errorText,
                         QString *notes = nullptr);
    // Puts curves kept earlier (a capture) on the plot, as an import does, with what their
    // metadata says (the trigger mark, when they were recorded); not while sampling.
    bool showCurves(const QVector<ScopeFileCurve> &curves, const ScopeFileMeta &meta,
                    const QString &label, QString *errorText);

private:
    QString refusal() const;
    ScopeFile::Outcome save(const QString &fileName, const ScopeFile::Progress &progress,
                            QString *error, SafeFileWriter::Mode mode) const;
    void show(ScopeFileContent content, const ScopeFileMeta &meta, const QString &label);
    // Whether the Import button opens the whole series whose first file the operator chose;
    // nothing when the operator cancelled or the scope went with the question.
    std::optional<bool> askToJoin(const QString &fileName, const ScopeFileSeries &series);
    void importJoinedWithDialog(const ScopeFileSeries &series);

    TarnPlugin_Scope *m_scope;
    const ScopeRecorder &m_recorder;
    ScopeStateLine &m_stateLine;
    Host &m_host;
};
