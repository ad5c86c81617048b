#include "ui/split_table.h"

#include "data/c_format.h"
#include "ui/value_format.h"

namespace dorvath {

void CSplitTable::show(const std::vector<TrackPoint>& points) {
    splits_ = Splits(points, settings_.unitSystem() == 1 ? kMile : kKilometre);
    draw();
}

void CSplitTable::clear() {
    if (splits_.empty()) return;
    splits_.clear();
    draw();
}

void CSplitTable::draw() {
    const FormatSettings fs = FormatSettings::of(settings_);
    std::string rows;
    for (const Split& s : splits_)
        rows += CFormat("<tr><td>%d</td><td>%s</td><td>%s</td><td>%s</td></tr>", s.number,
                        FormatDuration(s.seconds), FormatStretchPace(s.seconds, s.metres),
                        FormatDistance(s.metres, fs));
    engine_.setHtml(frame_, Id("splitrows"), rows);
}

}  // namespace dorvath
