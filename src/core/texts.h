#pragma once
// The user-facing texts that more than one place shows: the windows, the files and
// tuma-cli say these in the same words.
namespace tuma::texts {
inline constexpr char CommFailure[] = "Falha na Comunicação";
inline constexpr char CommFailureCaption[] = "Falha";
inline constexpr char ProgrammingOk[] = "Programação OK";
inline constexpr char ConfirmCaption[] = "Aviso";
inline constexpr char ConfirmWrite[] = "Confirme Gravação dos Dados!!!!";
// An option box's state, as files and tuma-cli write it.
inline constexpr char Yes[] = "sim";
inline constexpr char No[] = "não";
// The learning lamps, as comparisons and tuma-cli name them and their states.
inline constexpr char LambdaIdleLamp[] = "Sonda/Lenta Progr.";
inline constexpr char MapLamp[] = "MAP Progr.";
inline constexpr char Learned[] = "aprendido";
inline constexpr char NotLearned[] = "não aprendido";
} // namespace tuma::texts
