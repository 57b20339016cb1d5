#include "user32/dialogs/message_box_labels.h"

#include <cctype>

#include "machine/machine_state.h"

namespace winsim {
namespace {

struct Labels {
    unsigned language;  // a LANGID, or a primary language alone (sublanguage 0)
    // OK, Cancel, Abort, Retry, Ignore, Yes, No, Try Again, Continue
    const char* text[9];
};

const Labels kLabels[] = {
    {0x09, {"OK", "Cancel", "&Abort", "&Retry", "&Ignore", "&Yes", "&No", "&Try Again", "&Continue"}},
    {0x07, {"OK", "Abbrechen", "&Abbrechen", "&Wiederholen", "&Ignorieren", "&Ja", "&Nein", "&Wiederholen", "&Weiter"}},
    {0x0C, {"OK", "Annuler", "&Abandonner", "&Recommencer", "&Ignorer", "&Oui", "&Non", "&Réessayer", "&Continuer"}},
    {0x0A, {"Aceptar", "Cancelar", "&Anular", "&Reintentar", "&Omitir", "&Sí", "&No", "&Reintentar", "&Continuar"}},
    {0x10, {"OK", "Annulla", "&Interrompi", "&Riprova", "&Ignora", "&Sì", "&No", "&Riprova", "&Continua"}},
    {0x13, {"OK", "Annuleren", "&Afbreken", "&Opnieuw", "&Negeren", "&Ja", "&Nee", "&Opnieuw", "&Doorgaan"}},
    {0x1D, {"OK", "Avbryt", "&Avbryt", "&Försök igen", "&Ignorera", "&Ja", "&Nej", "&Försök igen", "&Fortsätt"}},
    {0x16, {"OK", "Cancelar", "&Anular", "&Repetir", "&Ignorar", "&Sim", "&Não", "&Tentar novamente", "&Continuar"}},
    {0x11, {"OK", "キャンセル", "中止(&A)", "再試行(&R)", "無視(&I)", "はい(&Y)", "いいえ(&N)", "再実行(&T)", "続行(&C)"}},
    {0x12, {"확인", "취소", "중단(&A)", "다시 시도(&R)", "무시(&I)", "예(&Y)", "아니요(&N)", "다시 시도(&T)", "계속(&C)"}},
    {0x0804, {"确定", "取消", "中止(&A)", "重试(&R)", "忽略(&I)", "是(&Y)", "否(&N)", "重试(&T)", "继续(&C)"}},
    {0x04, {"確定", "取消", "中止(&A)", "重試(&R)", "略過(&I)", "是(&Y)", "否(&N)", "重試(&T)", "繼續(&C)"}},
    {0x1E, {"ตกลง", "ยกเลิก", "หยุด(&A)", "ลองใหม่(&R)", "ข้าม(&I)", "ใช่(&Y)", "ไม่ใช่(&N)", "ลองอีกครั้ง(&T)",
            "ดำเนินการต่อ(&C)"}},
};

// The table of the machine's language: its own LANGID first, then its primary language.
const Labels& MachineLabels() {
    unsigned language = Machine().langId & 0xFFFF;
    for (const Labels& l : kLabels)
        if (l.language == language) return l;
    for (const Labels& l : kLabels)
        if (l.language == (language & 0x3FF)) return l;
    return kLabels[0];
}

int Slot(int answer) {
    switch (answer) {
        case 1: return 0;   // IDOK
        case 2: return 1;   // IDCANCEL
        case 3: return 2;   // IDABORT
        case 4: return 3;   // IDRETRY
        case 5: return 4;   // IDIGNORE
        case 6: return 5;   // IDYES
        case 7: return 6;   // IDNO
        case 10: return 7;  // IDTRYAGAIN
        case 11: return 8;  // IDCONTINUE
        default: return -1;
    }
}

}  // namespace

std::string MessageBoxButtonLabel(int answer) {
    int slot = Slot(answer);
    return slot < 0 ? std::to_string(answer) : MachineLabels().text[slot];
}

char LabelMnemonic(const std::string& label) {
    size_t amp = label.find('&');
    if (amp == std::string::npos || amp + 1 >= label.size()) return 0;
    unsigned char c = static_cast<unsigned char>(label[amp + 1]);
    return c < 0x80 && std::isalnum(c) ? static_cast<char>(std::toupper(c)) : 0;
}

std::string LabelWithoutMnemonic(const std::string& label) {
    size_t amp = label.find('&');
    return amp == std::string::npos ? label : label.substr(0, amp) + label.substr(amp + 1);
}

}  // namespace winsim
