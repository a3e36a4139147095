#pragma once
// One preview screen of the main window: the remembered frame of its movie,
// scaled to the screen, or its translated text while no movie is loaded. The
// pictures come from its own decoder thread; a click asks the window for the
// native-size view, and files dropped on it are handed to the window.

#include "settings/CLanguage.h"

#include <QFrame>
#include <QImage>

#include <memory>

class CPreviewDecoder;

class CPreviewScreen : public QFrame, public ICaptionWindow {
    Q_OBJECT
public:
    explicit CPreviewScreen(QWidget* parent = nullptr);
    ~CPreviewScreen() override;

    // The movie shown, "" for none (the text shows then).
    void SetMovie(const std::string& path);
    bool HasMovie() const { return !m_strPath.empty(); }
    // The remembered frame; decoded when it is not the picture shown.
    void SetFrame(int frame);
    int GetFrame() const { return m_nFrame; }
    const QImage& GetImage() const { return m_image; }
    int GetImageFrame() const { return m_nImageFrame; }

    // The text shown without a movie (the language entry of this screen).
    std::string GetCaption() const override { return m_strText.toStdString(); }
    void SetCaption(const std::string& caption) override;

signals:
    void clicked();
    void filesDropped(const QStringList& paths);
    // A new picture arrived and is shown from the next paint on.
    void imageChanged(int frame);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void OnImage(int frame, const QImage& image);

    std::string m_strPath;
    QString m_strText;
    int m_nFrame = 0;
    QImage m_image;
    int m_nImageFrame = -1;
    std::unique_ptr<CPreviewDecoder> m_pDecoder;
};
