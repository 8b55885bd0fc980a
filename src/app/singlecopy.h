#pragma once

#include <QObject>
#include <memory>

class QLockFile;
class QLocalServer;

namespace tarvel::app {

// One running copy per program folder and user. The first copy holds a lock file and listens on a
// local socket; a later copy finds the lock, asks the first one to come forward and ends.
class SingleCopy : public QObject
{
    Q_OBJECT
public:
    // The default key is the executable's name with a hash of the program folder.
    explicit SingleCopy(const QString& key = QString(), QObject* parent = nullptr);
    ~SingleCopy() override;

    // True for the first copy (which then listens); false when another copy runs and has been asked
    // to come forward.
    bool claim();
    QString key() const { return m_key; }

Q_SIGNALS:
    void activationRequested();

private:
    bool wakeOther();
    QString m_key;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};

// Brings a top-level window forward: restores it from minimized (keeping maximized), raises and
// activates it.
void bringForward(class QWidget* window);

} // namespace tarvel::app
