// A Qt generic plugin, loaded into a program with QT_QPA_GENERIC_PLUGINS, that waits
// for the first paint of a top-level window, lets that paint reach the screen, then
// prints the wall-clock time and the peak resident set size and ends the program.

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QGenericPlugin>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace {

long PeakResidentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

class FirstPaintProbe : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!seen_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window()->isVisible()) {
            seen_ = true;
            // After this paint cycle, including the flush to the window system.
            QTimer::singleShot(0, [] {
                const auto now = std::chrono::system_clock::now().time_since_epoch();
                std::printf("first-paint-ns %lld peak-rss-kb %ld\n",
                            static_cast<long long>(
                                std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()),
                            PeakResidentKilobytes());
                std::fflush(stdout);
                _exit(0);
            });
        }
        return false;
    }

private:
    bool seen_ = false;
};

} // namespace

class FirstPaintProbePlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "first_paint_probe.json")

public:
    QObject* create(const QString&, const QString&) override
    {
        auto* probe = new FirstPaintProbe;
        QCoreApplication::instance()->installEventFilter(probe);
        return probe;
    }
};

#include "first_paint_probe.moc"
