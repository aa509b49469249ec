#include "TourStep.h"

namespace {

constexpr const char *Main = "frmMain";
constexpr const char *Settings = "frmSettings";
constexpr const char *Manager = "frmMessageSetup";

// clang-format off
constexpr std::array<TourStep, TourStep::Count> Steps {{
    {Main, Main, 1785, 3540, 0, 1, "Welcome",
     "You will now be taken on a quick tour through the features of Murmurine. Please press the "
     "'Continue' button to move to the next part of the tour, press the 'Back' button to move back "
     "through the tour or press 'Cancel' to stop the tour.  You can go through this tour again by "
     "selecting 'Quick Tour' from the Help menu."},
    {nullptr, Main, 1785, 3540, 0, 1, "Murmurine",
     "Murmurine gives you the ability to display subliminal messages on your own computer. Not only "
     "can you select messages from the list we provide but you can even add your own. Unlike audio "
     "cassettes, you can personalise your messages and check that the right ones are being shown to "
     "you."},
    {nullptr, Main, 1785, 3540, 0, 1, "Pictures too",
     "Not only can you display written messages but you can display pictures too and can work through "
     "lists of information one paragraph at a time. You can use this for revision, memory and speech "
     "aids."},
    {nullptr, Main, 1785, 3540, 0, 1, "How to use MRN",
     "Murmurine (MRN) comes as two programs. The icon labelled 'Murmurine' starts the messages being "
     "shown in the background. The icon labelled 'Murmurine Settings' allows you to change the "
     "messages and the other settings. You can also start the subliminal messages being shown by "
     "pressing the Start button in this settings program."},
    {nullptr, Main, 1785, 3540, 0, 1, "Please note",
     "Please note that when you run the 'Murmurine' program you will not see anything happen. The "
     "program will run in the background only. If you want to change the messages, use the Settings "
     "program. You are in the Settings program right now."},
    {Main, Main, 1785, 3540, 0, 1, "Subliminal Settings",
     "You will now be shown the settings screen where you can change the timings, font sizes and "
     "decide if to start the program every time Windows opens. You can get to this screen from the "
     "'Settings, Settings screen' menu."},
    {Settings, Settings, 1785, 3540, 1, 1, "Settings screen",
     "This is the settings screen. Use this screen to change the timings of the messages and how long "
     "they are displayed. You should also set the size and font of the messages and can decide where "
     "they appear on the screen."},
    {nullptr, Settings, 1525, 2955, 4, 1, "Auto Start",
     "This is where you decide if you want Murmurine to start every time Windows is opened so that it "
     "is always working. You can either make this settings program open (and manually start the "
     "subliminal messages) or you can make the MRN program run automatically instead."},
    {nullptr, Settings, 735, 4380, 4, 2, "Quick Stop",
     "Use the Quick Stop options to display a special button in the taskbar which lets you instantly "
     "stop and start Murmurine. You can even decide what is written on it when it on and off."},
    {Settings, Settings, 1785, 3540, 0, 1, "Messages screen",
     "You will now want to decide what messages to show so we will show you a quick tour of the "
     "message set up screen. To open up the special screen for doing this you would select the "
     "'Settings, Change Messages' menu from the menu bar."},
    {Manager, Manager, 1905, 2065, 0, 1, "Messages screen",
     "This is the Messages screen where you decide what messages to display. You can use the ones "
     "included with the program or you can write your own. Please read the help file to find out how "
     "to write a good subliminal message. Use the Help menu to see the help file."},
    {nullptr, Manager, 1905, 2065, 1, 1, "Messages screen",
     "The messages are arranged in categories. You can decide to show or not show messages in each "
     "category. Only selected messages in selected categories will be shown. First you should select "
     "the categories you want to display then select the messages in each category you want to use."},
    {nullptr, Manager, 1905, 2065, 1, 1, "Messages screen",
     "You can select or deselect categories by double-clicking on them in the list. Only selected "
     "messages in selected categories will be shown."},
    {nullptr, Manager, 1905, 2065, 4, 1, "Messages screen",
     "To view the messages in each category, click on the category name with the mouse. You can then "
     "select or deselect the messages to be shown within that category by double-clicking on them in "
     "the list."},
    {nullptr, Manager, 1905, 2065, 2, 3, "Your own messages",
     "You can add your own categories and you can add your own messages to each category using the "
     "buttons on the right. You can also edit them if you make a mistake or want to personalise an "
     "existing one."},
    {nullptr, Manager, 1905, 2065, 3, 3, "Add subliminals",
     "When you press the 'Add new subliminal' button you will be asked if you want to add a simple "
     "text message, use a picture or work your way through a text file. Please read the help file for "
     "more detailed instructions."},
    {nullptr, Manager, 1905, 2065, 0, 1, "Update categories",
     "You can export and import categories using the menu bar. This allows you to get new categories "
     "from our web pages and also to share your own categories with your friends. You can also reset "
     "the complete list of categories and messages to the initial ones using the reset menu option."},
    {nullptr, Manager, 1905, 2065, 0, 1, "End of tour",
     "We are just about to leave this tour. You can go through this tour again by selecting 'Quick "
     "Tour' from the Help menu."},
    {nullptr, Manager, 1905, 2065, 0, 1, "Thank you",
     "Thank you for taking the tour. We hope Murmurine helps you on your way. Press 'End' to close the "
     "tour and start choosing the messages you want to see."},
}};
// clang-format on

} // namespace

const std::array<TourStep, TourStep::Count> &TourStep::all()
{
    return Steps;
}
