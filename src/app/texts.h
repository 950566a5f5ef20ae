#pragma once
// The user-facing texts that more than one window shows.
namespace texts {
inline constexpr char CommFailure[] = "Falha na Comunicação";
inline constexpr char CommFailureCaption[] = "Falha";
inline constexpr char ProgrammingOk[] = "Programação OK";
inline constexpr char ConfirmCaption[] = "Aviso";
} // namespace texts
