#pragma once

#include <QString>

namespace kestrune::platform {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual void clear() = 0;
    // Puts plain text on the clipboard. A secret (a password) also carries the
    // hints that ask clipboard-history tools not to keep it.
    virtual void setText(const QString& text, bool secret) = 0;
    virtual QString text() const = 0;
};

class QtClipboard final : public Clipboard {
public:
    void clear() override;
    void setText(const QString& text, bool secret) override;
    QString text() const override;
};

} // namespace kestrune::platform
