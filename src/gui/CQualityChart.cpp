#include "gui/CQualityChart.h"

#include "encoding/CEncodingList.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "oracle/COracleFile.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {
const QColor LOW_COLOUR(40, 110, 200);
const QColor FAST_COLOUR(220, 90, 40);
constexpr int STRIP_HEIGHT = 8;

// The encoding the list takes at `frame`: the first row that covers it.
QualityPoint::EChoice ChoiceAt(const std::vector<EncodingPart>& rows, int32_t frame) {
    for (const EncodingPart& row : rows) {
        if (row.GetStart() <= frame && frame < row.GetEnd())
            return row.IsLow() ? QualityPoint::LOW : QualityPoint::FAST;
    }
    return QualityPoint::NONE;
}
} // namespace

CQualityChart::CQualityChart(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Difference of each encoding per interval (lower is better). "
                              "Click an interval to go there."));
}

std::vector<QualityPoint> CQualityChart::Read(const std::string& oracleFile, const CAVIFile& low,
                                              const CEncodingList& list) {
    std::vector<QualityPoint> points;
    const CAVIStream* video =
        low.IsOpen() && low.GetVideoIndex() >= 0 ? low.GetStream(low.GetVideoIndex()) : nullptr;
    COracleFile file;
    if (!video || oracleFile.empty() || !file.OpenRead(oracleFile))
        return points;
    // The intervals are cut as the oracle cuts them: from frame 0 to the
    // next key frame, and so on to the end. The file is only read as far as
    // there are intervals, so a foreign file of any size costs nothing.
    const int32_t length = low.GetLength();
    const std::vector<EncodingPart> rows = list.Rows();
    for (int32_t start = 0; start < length;) {
        const int32_t next = video->NextKeyFrame(start);
        QualityPoint point;
        point.start = start;
        point.end = next > start && next < length ? next : length;
        if (!file.ReadDouble(&point.lowValue) || !file.ReadDouble(&point.fastValue) ||
            !std::isfinite(point.lowValue) || !std::isfinite(point.fastValue))
            return {};
        point.choice = ChoiceAt(rows, point.start);
        points.push_back(point);
        start = point.end;
    }
    return points;
}

void CQualityChart::SetPoints(std::vector<QualityPoint> points) {
    m_points = std::move(points);
    m_dMax = 0.0;
    for (const QualityPoint& point : m_points)
        m_dMax = std::max({m_dMax, point.lowValue, point.fastValue});
    update();
}

QRect CQualityChart::PlotRect() const {
    const int text = fontMetrics().height();
    return rect().adjusted(4, text + 4, -4, -(STRIP_HEIGHT + 6));
}

double CQualityChart::FrameX(int32_t frame, const QRect& plot) const {
    const int32_t total = m_points.empty() ? 1 : std::max<int32_t>(1, m_points.back().end);
    return plot.left() + double(frame) * plot.width() / total;
}

int CQualityChart::IntervalAt(int x) const {
    const QRect plot = PlotRect();
    for (size_t i = 0; i < m_points.size(); ++i) {
        if (x >= FrameX(m_points[i].start, plot) && x < FrameX(m_points[i].end, plot))
            return static_cast<int>(i);
    }
    return -1;
}

void CQualityChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    painter.setPen(palette().mid().color());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const QRect plot = PlotRect();
    const int text = fontMetrics().height();

    // Legend: the two lines and what the strip means.
    int x = 6;
    for (const auto& [colour, name] :
         {std::pair{LOW_COLOUR, QStringLiteral("LOW")}, std::pair{FAST_COLOUR, QStringLiteral("FAST")}}) {
        painter.fillRect(x, 2 + text / 2 - 1, 14, 3, colour);
        painter.setPen(palette().text().color());
        painter.drawText(x + 18, 2 + fontMetrics().ascent(), name);
        x += 24 + fontMetrics().horizontalAdvance(name);
    }
    painter.drawText(x, 2 + fontMetrics().ascent(),
                     QStringLiteral("difference per interval, lower is better; strip: the list's choice"));
    if (m_points.empty() || plot.height() <= 0)
        return;

    const double max = m_dMax > 0.0 ? m_dMax : 1.0;
    const auto y = [&](double value) { return plot.bottom() - value / max * plot.height(); };
    for (const QualityPoint& point : m_points) {
        const QRectF strip(FrameX(point.start, plot), plot.bottom() + 4,
                           FrameX(point.end, plot) - FrameX(point.start, plot), STRIP_HEIGHT);
        if (point.choice != QualityPoint::NONE)
            painter.fillRect(strip, point.choice == QualityPoint::LOW ? LOW_COLOUR : FAST_COLOUR);
    }
    painter.setRenderHint(QPainter::Antialiasing);
    for (const bool low : {true, false}) {
        QPainterPath path;
        for (size_t i = 0; i < m_points.size(); ++i) {
            const QualityPoint& point = m_points[i];
            const double value = low ? point.lowValue : point.fastValue;
            const QPointF left(FrameX(point.start, plot), y(value));
            const QPointF right(FrameX(point.end, plot), y(value));
            if (i == 0)
                path.moveTo(left);
            else
                path.lineTo(left);
            path.lineTo(right);
        }
        painter.setPen(QPen(low ? LOW_COLOUR : FAST_COLOUR, 1.5));
        painter.drawPath(path);
    }
}

void CQualityChart::mousePressEvent(QMouseEvent* event) {
    const int index = IntervalAt(event->position().toPoint().x());
    if (event->button() == Qt::LeftButton && index >= 0)
        emit intervalClicked(m_points[index].start);
}
