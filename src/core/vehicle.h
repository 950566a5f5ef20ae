#pragma once
// The technician's words about the vehicle, as typed (UTF-8): kept in the parameter
// files and the history, printed on the sheet, shown by the windows and tuma-cli.
#include <string>

namespace tuma {

struct Vehicle {
    std::string client;
    std::string plate;
    std::string notes;
};

// Each field with the caption the windows and tuma-cli show it under and its key in a
// parameter file.
struct VehicleField {
    const char* caption;
    const char* key;
    std::string Vehicle::*member;
};
inline constexpr VehicleField VehicleFields[] = {
    {"Cliente", "cliente", &Vehicle::client},
    {"Placa", "placa", &Vehicle::plate},
    {"Observações", "observacoes", &Vehicle::notes},
};

} // namespace tuma
