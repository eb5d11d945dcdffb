#pragma once
// Which page the main window shows. It lives outside the window so that the panel's links, the
// input-source menu and the showcase mode can choose the page before the window opens.
#include <QObject>
#include <QString>
#include <array>
#include <optional>

class Router : public QObject {
    Q_OBJECT
public:
    class Page {
    public:
        enum Value { overview, display, audio, mouse, battery, kvm, general };
        constexpr Page(Value v) : value_(v) {}

        static const std::array<Page, 7>& allCases(); // the sidebar's order
        // Exact, case-sensitive match of the stored name.
        static std::optional<Page> fromRawValue(const QString& raw);

        Value value() const { return value_; }
        QString rawValue() const;
        QString id() const { return rawValue(); }
        QString title() const;  // localised
        QString symbol() const; // the sidebar's symbol

        friend bool operator==(Page a, Page b) { return a.value_ == b.value_; }

    private:
        Value value_;
    };

    // Created on first use, lives for the process; main thread only.
    static Router& shared();

    Page page() const { return page_; }
    void setPage(Page page);

signals:
    void changed();

private:
    Router() = default;
    Page page_ = Page::overview;
};

size_t qHash(Router::Page page, size_t seed = 0);
