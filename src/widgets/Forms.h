#pragma once

#include <QPointer>
#include <QWidget>

#include <map>
#include <optional>
#include <typeindex>

namespace kestrune::ui {

// The program's windows: each is either loaded or not, and at most one
// instance of each exists. Loading creates the window and runs its load step
// once; unloading closes it, which runs its unload handling, and destroys it.
//
// A window class needs a default constructor and a public `void Load()`; its
// closeEvent calls Forms::forget(this) when the close is accepted.
class Forms {
public:
    template <typename T> T* find() const {
        const auto it = windows_.find(std::type_index(typeid(T)));
        return it == windows_.end() ? nullptr : static_cast<T*>(it->second.data());
    }

    template <typename T> bool isLoaded() const { return find<T>() != nullptr; }

    // Loads the window if it is not loaded yet; a loaded one is returned as it is.
    template <typename T> T* load() {
        if (T* existing = find<T>()) {
            return existing;
        }
        auto* window = new T;
        window->setAttribute(Qt::WA_DeleteOnClose);
        // Registered before its load step runs, so that code called from the
        // load finds it loaded.
        windows_[std::type_index(typeid(T))] = window;
        window->Load();
        return window;
    }

    // Loads the window if needed and shows it modeless; a shown window comes
    // to the front.
    template <typename T> T* show() {
        T* window = load<T>();
        showWindow(window);
        return window;
    }

    template <typename T> void unload() { unloadWindow(find<T>()); }

    // The main window, while it is loaded, else nullptr: the owner of the
    // dialogs, which find it here without knowing its class. The main
    // window's class names itself with setMainWindow<T>() when it is made.
    template <typename T> void setMainWindow() { mainWindow_ = std::type_index(typeid(T)); }
    QWidget* mainWindow() const;

    // Called by a window whose close went through.
    void forget(QWidget* window);

    // Unloads every window (tests, between cases).
    void unloadAll();

    static void showWindow(QWidget* window);

    // Places a window in the middle of the primary screen.
    static void centreOnScreen(QWidget* window);

    // The design font of the windows: Verdana 8.25 pt.
    static QFont designFont();

    // One pass over the pending window events: layout and painting, so that a
    // window just hidden or shown is drawn that way. Input and the deletion of
    // unloaded windows wait for the event loop, so no window is destroyed
    // while its own code is still running.
    static void letPendingEventsRun();
    static void unloadWindow(QWidget* window);

private:
    std::map<std::type_index, QPointer<QWidget>> windows_;
    std::optional<std::type_index> mainWindow_;
};

Forms& forms();

} // namespace kestrune::ui
