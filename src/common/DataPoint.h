#pragma once

namespace tesselin {

// One measurement: its X (time, position) and its Y (the measured value).
struct DataPoint {
    double x = 0.0;
    double y = 0.0;
};

}  // namespace tesselin
