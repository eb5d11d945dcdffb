#pragma once
// The master level every volume control shows. Writes that change nothing notify nobody.
#include <QObject>

class AudioLevel : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    double volume() const { return volume_; } // 0-100
    bool muted() const { return muted_; }
    void setVolume(double v)
    {
        if (v == volume_)
            return;
        volume_ = v;
        emit changed();
    }
    void setMuted(bool m)
    {
        if (m == muted_)
            return;
        muted_ = m;
        emit changed();
    }

signals:
    void changed();

private:
    double volume_ = 0;
    bool muted_ = false;
};
