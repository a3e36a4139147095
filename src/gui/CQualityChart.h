#pragma once
// The quality view of an oracle run: per interval of the LOW movie (key
// frame to key frame) the LOW and FAST values of the oracle file as two
// lines, and under them a strip in the colour of the encoding the list
// takes there. The values measure the difference of each encoding to the
// source (or of the one to the other), so lower is better. A click on an
// interval tells its first frame.

#include <QWidget>

#include <cstdint>
#include <string>
#include <vector>

class CAVIFile;
class CEncodingList;

struct QualityPoint {
    enum EChoice { NONE, LOW, FAST };
    int32_t start = 0;
    int32_t end = 0; // exclusive
    double lowValue = 0.0;
    double fastValue = 0.0;
    EChoice choice = NONE;
};

class CQualityChart : public QWidget {
    Q_OBJECT
public:
    explicit CQualityChart(QWidget* parent = nullptr);

    // The intervals of `low` with the values of `oracleFile` and the choice
    // of `list` at each interval's first frame. Empty when the movie is not
    // open or the file does not hold a value pair for every interval (it
    // belongs to another movie, or no run has written it yet).
    static std::vector<QualityPoint> Read(const std::string& oracleFile, const CAVIFile& low,
                                          const CEncodingList& list);

    void SetPoints(std::vector<QualityPoint> points);
    const std::vector<QualityPoint>& GetPoints() const { return m_points; }
    // The interval under the widget's x coordinate, -1 for none.
    int IntervalAt(int x) const;

signals:
    void intervalClicked(int frame);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QRect PlotRect() const;
    // x coordinate of a frame in the plot.
    double FrameX(int32_t frame, const QRect& plot) const;

    std::vector<QualityPoint> m_points;
    double m_dMax = 0.0;
};
