// What the wizard takes from the user and keeps in the settings, whatever
// draws it: the two folders, checked as they are typed, and the rules.
#pragma once

#include <string>

namespace dm {

class TDM;

class WizardPresenter {
public:
    explicit WizardPresenter(TDM& dm) : dm_(dm) {}

    // A folder typed for A, or for B: empty where it was taken, else what to
    // say. Nothing typed is taken as nothing (the main window then says that
    // a folder is missing); a folder of this machine must exist; B may not be A.
    std::string takeA(const std::string& typed);
    std::string takeB(const std::string& typed);
    void swap();

    // The rules and the view, as the settings hold them and as the user left them.
    struct Choices {
        bool size = true;
        bool time = true;
        bool version = true;
        bool subFolders = true;
        bool content = false;
        bool onlyDiff = true;
    };
    Choices choices() const;
    // The comparison starts with these: kept, and the folders remembered.
    void start(const Choices& choices);

private:
    TDM& dm_;
};

}  // namespace dm
