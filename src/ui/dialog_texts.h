// Every text the dialogs and the string table show, once. Plain string-literal defines
// only: windres reads this file through the C preprocessor, C++ code and the resource
// table use the same macros. "\n" is the line feed where the static control breaks.
#pragma once

#define TPX_TEXT_CAPTION " Quorvix Brenvo"
#define TPX_TEXT_OK "OK"
#define TPX_TEXT_CANCEL "Cancel"
#define TPX_TEXT_WAITING "Waiting for another installation to finish..."

// The name line's text when the application has no name to show, and the placeholder
// of the no-files template.
#define TPX_TEXT_DEFAULT_NAME "Quorvix Brenvo Service Installer!"
// The name line's placeholder in the outcome templates; replaced before it shows.
#define TPX_TEXT_NAME_PLACEHOLDER "<service name>"

#define TPX_TEXT_NO_FILES                                                                   \
    "This program installs custom user services (.TPX files) quickly and easily from your " \
    "desktop or webbrowser.\n\nNo files have been specified."
#define TPX_TEXT_OK_HEADING \
    "Congratulations! You have successfully\ninstalled the custom game/service pack:"
#define TPX_TEXT_OK_FOOTER \
    "The new features will available the next\ntime you start up Quorvix Brenvo."
#define TPX_TEXT_FAILED_HEADING "There was a problem installing the custom user service:"
#define TPX_TEXT_FAILED_FOOTER                                                              \
    "The service pack file may have been corrupted, or your disk may be full. Re-download " \
    "it and try again."

// String resource IDS_CLIENT_TITLE: the client's title, from which its window class and
// mutex name are built.
#define TPX_TEXT_CLIENT_TITLE "Quorvix Brenvo"
