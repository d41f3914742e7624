// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/DefaultMessages.h"

#include "localization/LanguageTable.h"

#include <utility>

void addDefaultMessages(LanguageTable &languages)
{
    languages.setMessage(QStringLiteral("MSG_HELLO"), QStringLiteral("Hello, good to see you"));
    languages.setMessage(QStringLiteral("MSG_DELETE1"), QStringLiteral("Are you sure you want to delete "));
    languages.setMessage(QStringLiteral("MSG_DELETE2"), QStringLiteral("Confirm Delete"));
    languages.setMessage(QStringLiteral("MSG_ALLINFO"), QStringLiteral("You must enter all information"));
    // The language window's title and its download confirmation: without a slot of
    // their own a language could never supply them and both would stay empty.
    languages.setMessage(QStringLiteral("MSG_TITLELANGUAGE"), QStringLiteral("Language Selection"));
    languages.setMessage(QStringLiteral("MSG_DOWNLOADED"),
                         QStringLiteral("The newest language file was downloaded. Choose your language from the list."));
    languages.setMessage(QStringLiteral("MSG_NAMETAKEN"),
                         QStringLiteral("Another camera of the list is already called %1. Choose another name."));
    languages.setMessage(QStringLiteral("MSG_DOWNLOADFAILED"),
                         QStringLiteral("The language file could not be downloaded from %1: %2. "
                                        "Your language file is unchanged."));
    languages.setMessage(QStringLiteral("MSG_NOTLANGUAGEFILE"),
                         QStringLiteral("%1 did not send a language file. Your language file is unchanged."));
    // How a camera's fetch ended (monitor/FetchOutcome.h names the keys and placeholders).
    static const std::pair<const char *, const char *> outcomes[] = {
        {"MSG_OUTCOME_PICTURE", "Picture received: HTTP %1, %2 bytes in %3 ms"},
        {"MSG_OUTCOME_REFUSED", "Connection refused"},
        {"MSG_OUTCOME_HOSTNOTFOUND", "Host not found"},
        {"MSG_OUTCOME_CONNECTTIMEOUT", "Connection timed out after %1 s"},
        {"MSG_OUTCOME_NODATA", "No data received for %1 s"},
        {"MSG_OUTCOME_NETWORK", "Network error: %1"},
        {"MSG_OUTCOME_CERTUNTRUSTED", "Certificate not trusted"},
        {"MSG_OUTCOME_CERTNAME", "Certificate is not for %1"},
        {"MSG_OUTCOME_CERTEXPIRED", "Certificate expired"},
        {"MSG_OUTCOME_CERTCHANGED", "Certificate changed since it was trusted"},
        {"MSG_OUTCOME_CERTREFUSED", "Certificate refused: %1"},
        {"MSG_OUTCOME_TLSFAILED", "TLS handshake failed"},
        {"MSG_OUTCOME_LOGINNEEDED", "HTTP 401: login needed"},
        {"MSG_OUTCOME_LOGINREFUSED", "HTTP 401: login refused"},
        {"MSG_OUTCOME_FORBIDDEN", "HTTP 403 Forbidden"},
        {"MSG_OUTCOME_NOTFOUND", "HTTP 404 Not Found"},
        {"MSG_OUTCOME_HTTPERROR", "HTTP %1 %2"},
        {"MSG_OUTCOME_NOTHTTP", "No HTTP response"},
        {"MSG_OUTCOME_NOTPICTURE", "Not a picture (%1)"},
        {"MSG_OUTCOME_NOTPICTURENOTYPE", "Not a picture (no content type)"},
        {"MSG_OUTCOME_TOOLARGE", "Too large: more than %1 MB"},
        {"MSG_OUTCOME_UNREADABLE", "Unreadable picture"},
        {"MSG_OUTCOME_TOOSLOW", "Download slower than the refresh interval"},
        {"MSG_OUTCOME_REDIRECTINSECURE", "Redirect from https to http refused: %1"},
        {"MSG_OUTCOME_REDIRECTLIMIT", "More than %1 redirects"},
        {"MSG_OUTCOME_BADREDIRECT", "Redirect to an address that cannot be fetched"},
    };
    for (const auto &[key, text] : outcomes)
        languages.setMessage(QLatin1StringView(key), QString::fromUtf8(text));
    // The camera slots' state, and the certificate window.
    languages.setMessage(QStringLiteral("MSG_SLOT_ADDRESS"), QStringLiteral("Address: %1"));
    languages.setMessage(QStringLiteral("MSG_SLOT_LASTPICTURE"), QStringLiteral("Last picture: %1 (%2 ago)"));
    languages.setMessage(QStringLiteral("MSG_SLOT_NOPICTURE"), QStringLiteral("No picture yet"));
    languages.setMessage(QStringLiteral("MSG_SLOT_WAITING"), QStringLiteral("Waiting for the camera's first answer"));
    languages.setMessage(QStringLiteral("MSG_AGE_SECONDS"), QStringLiteral("%1 s"));
    languages.setMessage(QStringLiteral("MSG_AGE_MINUTES"), QStringLiteral("%1 min"));
    languages.setMessage(QStringLiteral("MSG_AGE_HOURS"), QStringLiteral("%1 h"));
    languages.setMessage(QStringLiteral("MSG_AGE_DAYS"), QStringLiteral("%1 d"));
    languages.setMessage(QStringLiteral("MSG_MENU_CERTIFICATE"), QStringLiteral("Certificate…"));
    languages.setMessage(QStringLiteral("MSG_CERT_TITLE"), QStringLiteral("Certificate of %1"));
    languages.setMessage(QStringLiteral("MSG_CERT_HOST"), QStringLiteral("Camera: %1, port %2"));
    languages.setMessage(QStringLiteral("MSG_CERT_SUBJECT"), QStringLiteral("Issued to: %1"));
    languages.setMessage(QStringLiteral("MSG_CERT_ISSUER"), QStringLiteral("Issued by: %1"));
    languages.setMessage(QStringLiteral("MSG_CERT_VALIDITY"), QStringLiteral("Valid from %1 to %2"));
    languages.setMessage(QStringLiteral("MSG_CERT_FINGERPRINT"), QStringLiteral("SHA-256 fingerprint: %1"));
    languages.setMessage(QStringLiteral("MSG_CERT_TRUSTEDFINGERPRINT"), QStringLiteral("Fingerprint trusted until now: %1"));
    languages.setMessage(QStringLiteral("MSG_CERT_ERRORS"), QStringLiteral("What verification found:"));
    languages.setMessage(QStringLiteral("MSG_CERT_TRUST"), QStringLiteral("Trust this certificate for this camera"));
    languages.setMessage(QStringLiteral("MSG_CERT_CLOSE"), QStringLiteral("Close"));
    languages.setMessage(QStringLiteral("MSG_MENU_HISTORY"), QStringLiteral("History…"));
    languages.setMessage(QStringLiteral("MSG_AUTOSAVE_PAUSED"), QStringLiteral("Autosave paused: only %1 free on the disk of the cam folder, below the floor of %2. It resumes by itself when space is back."));
    languages.setMessage(QStringLiteral("MSG_AUTOSAVE_RESUMED"), QStringLiteral("Autosave resumed: %1 free."));
    languages.setMessage(QStringLiteral("MSG_HISTORY_TITLE"), QStringLiteral("History of %1"));
    languages.setMessage(QStringLiteral("MSG_HISTORY_LOADING"), QStringLiteral("Reading the saved pictures…"));
    languages.setMessage(QStringLiteral("MSG_HISTORY_NONE"), QStringLiteral("No saved pictures of %1."));
    languages.setMessage(QStringLiteral("MSG_HISTORY_POSITION"), QStringLiteral("Picture %1 of %2"));
    languages.setMessage(QStringLiteral("MSG_HISTORY_FILETIME"), QStringLiteral("%1 (time of the file)"));
    languages.setMessage(QStringLiteral("MSG_HISTORY_PREVIOUS"), QStringLiteral("Previous"));
    languages.setMessage(QStringLiteral("MSG_HISTORY_NEXT"), QStringLiteral("Next"));
    languages.setMessage(QStringLiteral("MSG_HISTORY_PLAY"), QStringLiteral("Play"));
    languages.setMessage(QStringLiteral("MSG_HISTORY_PAUSE"), QStringLiteral("Pause"));
    languages.setMessage(QStringLiteral("MSG_HISTORY_SPEED"), QStringLiteral("%1 pictures per second"));
    languages.setMessage(QStringLiteral("MSG_HISTORY_EXPORT"), QStringLiteral("Export…"));
    languages.setMessage(QStringLiteral("MSG_HISTORY_THUMBNAILS"), QStringLiteral("Pictures around the one shown"));
    languages.setMessage(QStringLiteral("MSG_SAVED_TITLE"), QStringLiteral("Saved Pictures"));
    languages.setMessage(QStringLiteral("MSG_SAVED_MAXMB"), QStringLiteral("Largest size of a camera's pictures (MB)"));
    languages.setMessage(QStringLiteral("MSG_SAVED_MAXDAYS"), QStringLiteral("Days a picture is kept"));
    languages.setMessage(QStringLiteral("MSG_SAVED_MINFREE"), QStringLiteral("Free space autosave leaves on the disk (MB)"));
    languages.setMessage(QStringLiteral("MSG_SAVED_AUTOFLOOR"), QStringLiteral("Automatic: 1 GB or 5 % of the disk, the smaller"));
    languages.setMessage(QStringLiteral("MSG_SAVED_HINT"), QStringLiteral("0 means no limit. When a camera's pictures reach a limit, its oldest pictures are deleted. A camera with limits of its own keeps to those instead."));
    languages.setMessage(QStringLiteral("MSG_SAVED_COLCAMERA"), QStringLiteral("Camera"));
    languages.setMessage(QStringLiteral("MSG_SAVED_COLCOUNT"), QStringLiteral("Pictures"));
    languages.setMessage(QStringLiteral("MSG_SAVED_COLSIZE"), QStringLiteral("Size"));
    languages.setMessage(QStringLiteral("MSG_SAVED_COLOWN"), QStringLiteral("Own limits"));
    languages.setMessage(QStringLiteral("MSG_SAVED_SAVE"), QStringLiteral("Save"));
    languages.setMessage(QStringLiteral("MSG_SAVED_CLOSE"), QStringLiteral("Close"));
    languages.setMessage(QStringLiteral("MSG_CERT_NOTSAVED"), QStringLiteral("The certificate could not be trusted: %1"));
    // The export window of a camera's saved pictures (history/export/ui/ExportDialog.h).
    static const std::pair<const char *, const char *> exportTexts[] = {
        {"MSG_EXPORT_TITLE", "Export pictures of %1"},
        {"MSG_EXPORT_FROM", "From:"},
        {"MSG_EXPORT_TO", "To:"},
        {"MSG_EXPORT_COUNT", "%1 of %2 pictures in this range"},
        {"MSG_EXPORT_COPY", "Copy the pictures to a folder"},
        {"MSG_EXPORT_VIDEO", "Make a time-lapse video (MP4)"},
        {"MSG_EXPORT_FOLDER", "Folder:"},
        {"MSG_EXPORT_VIDEOFILE", "Video file:"},
        {"MSG_EXPORT_BROWSE", "Browse…"},
        {"MSG_EXPORT_FRAMERATE", "Frames per second:"},
        {"MSG_EXPORT_SIZE", "Frame size:"},
        {"MSG_EXPORT_SIZEFULL", "Size of the pictures"},
        {"MSG_EXPORT_SIZEMAX", "At most %1 pixels wide or high"},
        {"MSG_EXPORT_START", "Export"},
        {"MSG_EXPORT_CANCEL", "Cancel"},
        {"MSG_EXPORT_CLOSE", "Close"},
        {"MSG_EXPORT_CHOOSEFOLDER", "Choose the folder to copy the pictures to"},
        {"MSG_EXPORT_CHOOSEVIDEO", "Save the time-lapse video as"},
        {"MSG_EXPORT_VIDEOFILTER", "MP4 video (*.mp4)"},
        {"MSG_EXPORT_NOFOLDER", "Choose a folder first."},
        {"MSG_EXPORT_NOVIDEOFILE", "Choose a video file first."},
        {"MSG_EXPORT_NOPICTURES", "There are no pictures in this range."},
        {"MSG_EXPORT_RUNNING", "Exporting: %1 of %2 pictures"},
        {"MSG_EXPORT_COPIED", "%1 pictures copied to %2."},
        {"MSG_EXPORT_VIDEOMADE", "Time-lapse video of %1 frames saved as %2."},
        {"MSG_EXPORT_FALLBACK", "No H.264 encoder is available: the video was made as MPEG-4 Visual."},
        {"MSG_EXPORT_SKIPPED", "%1 pictures could not be read and were left out: %2"},
        {"MSG_EXPORT_COPYCANCELLED", "Export cancelled; %1 pictures had been copied."},
        {"MSG_EXPORT_COPIEDBEFORE", "%1 pictures had been copied before the export stopped."},
        {"MSG_EXPORT_VIDEOCANCELLED", "Export cancelled; no video was saved."},
        {"MSG_EXPORT_FOLDERMISSING", "The folder %1 does not exist."},
        {"MSG_EXPORT_WRITEFAILED", "The export stopped: a file could not be written (%1)."},
        {"MSG_EXPORT_NOTHINGREADABLE", "None of the pictures could be read; no video was made."},
        {"MSG_EXPORT_NOENCODER", "No video encoder is available (neither H.264 nor MPEG-4)."},
        {"MSG_EXPORT_ENCODERFAILED", "The video could not be made: %1"},
    };
    for (const auto &[key, text] : exportTexts)
        languages.setMessage(QLatin1StringView(key), QString::fromUtf8(text));
    // Status texts, message boxes and defaults of the windows (%1 of the status texts is
    // the time in the language's format).
    static const std::pair<const char *, const char *> windows[] = {
        {"MSG_AUTOSAVEUNREADABLE", "The autosave setting could not be read (%1); autosave is off."},
        {"MSG_NOTREMOVED", "%1 could not be removed from the camera list %2. The list is unchanged."},
        {"MSG_SELECTPICTURE", "Select a camera's picture first: click it in its panel."},
        {"MSG_NOPICTUREYET", "%1 has not received a picture yet."},
        {"MSG_PICTURENOTSAVED", "The picture could not be saved as %1: %2 (error %3)"},
        {"MSG_STATUS_SAVED", "%1 saved as %2"},
        {"MSG_STATUS_DOWNLOADING", "Downloading %1 [%2]"},
        {"MSG_STATUS_AUTOSAVED", "%1 new picture saved as %2"},
        {"MSG_STATUS_AUTOSAVEFAILED", "%1 new picture could not be saved as %2: %3"},
        {"MSG_ERRORTITLE", ":: error"},
        {"MSG_LISTNOTSAVED", "The camera list could not be saved: %1. The folder may be missing or read-only, or the "
                             "disk may be full. The list was left as it was; what you typed is still here."},
        {"MSG_NEWCAMNAME", "My Cam"},
        {"MSG_LANGFILENOTSAVED", "The downloaded language file could not be saved as %1 (%2)."},
        {"MSG_LANGFILENOTSAVEDKEPT",
         "The downloaded language file could not be saved as %1 (%2). The previous file is kept."},
    };
    for (const auto &[key, text] : windows)
        languages.setMessage(QLatin1StringView(key), QString::fromUtf8(text));
}
