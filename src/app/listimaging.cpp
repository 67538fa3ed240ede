#include "app/listimaging.h"

#include "app/browsing.h"
#include "app/mainwindow.h"
#include "list/filelist.h"
#include "platform/filesystem.h"
#include "platform/textfile.h"

namespace tovane {

ListImaging::ListImaging(MainWindow& window, Browsing& browsing)
    : m_window(window), m_browsing(browsing), m_cache(&window.messages())
{
    m_cache.setExtractor([this](const QString& folder, const QString& name, int index) {
        return m_images.add(index, m_icons.iconFor(folder, name));
    });
    for (const WindowIndex w : {LeftWindow, RightWindow})
        m_browsing.list(w).setImageCache(&m_cache);
}

ListImaging::~ListImaging()
{
    for (const WindowIndex w : {LeftWindow, RightWindow})
        m_browsing.list(w).setImageCache(nullptr);
}

bool ListImaging::individualFor(int mode) const
{
    return mode == ModeExtended3;
}

int ListImaging::startUp()
{
    AppSettings& settings = m_window.settings();
    m_cache.setMessageService(&m_window.messages());
    m_cache.setIndividualImages(individualFor(m_window.state().functionMode()));
    m_cache.setFull(settings.switchOn(FlagImageCache));
    int result = 0;
    if (settings.functionMode == ModeExtended3 && settings.imageCount >= 1) {
        QList<QByteArray> pictures;
        result = readImageCacheFile(m_window.imageCacheFile(), pictures);
        if (result == 0) {
            result = restoreImageCache(m_cache, pictures, settings.imageKeys,
                                       [this](int index, const QByteArray& picture) {
                                           return m_images.addPicture(index, picture);
                                       });
        }
    }
    m_cache.markStart();
    return result;
}

void ListImaging::functionModeChanged()
{
    const bool on = individualFor(m_window.state().functionMode());
    if (on == m_cache.individualImages())
        return;
    m_cache.setIndividualImages(on);
    const SelectedPair pair = m_window.state().pair();
    for (int i = 0; i < 2; ++i)
        m_browsing.list(pair[i]).renewFileImages();
}

int ListImaging::shownCount() const
{
    return qMax(m_window.settings().imageCount, m_cache.addedCount());
}

void ListImaging::shutDown(int resetMode)
{
    AppSettings& settings = m_window.settings();
    if (resetMode == ResetImages) {
        settings.imageCount = 0;
        settings.imageKeys.clear();
    } else {
        settings.imageCount = shownCount();
        // Once pictures are present their keys are the list; a cache that
        // could not be read and gained nothing stays as it was stored.
        if (m_cache.addedCount() > 0)
            settings.imageKeys = m_cache.keysText();
    }
    const bool keep = !settings.imageKeys.isEmpty() && resetMode < ResetAll &&
                      m_window.state().functionMode() == ModeExtended3;
    if (keep) {
        if (m_cache.imageCount() > m_cache.startCount()) {
            ProgressService& progress = m_window.progress();
            BusyScope busy(progress);
            progress.showProgress(ProgressService::PointerBusy,
                                  QStringLiteral("イメージリストのイメージデータを保存中 "),
                                  ProgressService::SetPointer | ProgressService::SetText);
            const int status = saveImageCacheFile(m_window.imageCacheFile(), m_images.pictures());
            progress.showProgress(ProgressService::PointerDefault, QString(),
                                  ProgressService::SetPointer | ProgressService::SetText);
            if (status != 0) {
                // Keys without their pictures would point at the wrong ones.
                settings.imageCount = 0;
                settings.imageKeys.clear();
                settings.setSwitch(FlagImageCache, false);
                return;
            }
        }
        settings.setSwitch(FlagImageCache, m_cache.full());
        return;
    }
    // Only our own cache goes; a FIFO or device under its name is not it.
    if (platform::isRegularFile(m_window.imageCacheFile()))
        platform::deleteFile(m_window.imageCacheFile());
    settings.setSwitch(FlagImageCache, false);
}

} // namespace tovane
