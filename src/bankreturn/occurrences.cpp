// What each occurrence code means, in the words of the bank's own table: the
// FEBRABAN table for CNAB 240 (the banks follow it), each bank's for CNAB
// 400. The settlement codes are the readers' (cnab240.cpp, cnab400_banks.cpp);
// these texts only tell the operator what the bank said.

#include <algorithm>
#include <span>

#include "bankreturn/return_file.h"

namespace confcred::bankreturn {
namespace {

struct Occurrence {
    std::string_view code, text;
};

constexpr Occurrence kFebraban[] = {
    {"02", "Entrada confirmada"},
    {"03", "Entrada rejeitada"},
    {"04", "Transferência de carteira/entrada"},
    {"05", "Transferência de carteira/baixa"},
    {"06", "Liquidação"},
    {"07", "Confirmação do recebimento da instrução de desconto"},
    {"08", "Confirmação do recebimento do cancelamento do desconto"},
    {"09", "Baixa"},
    {"11", "Títulos em carteira (em ser)"},
    {"12", "Confirmação recebimento instrução de abatimento"},
    {"13", "Confirmação recebimento instrução de cancelamento abatimento"},
    {"14", "Confirmação recebimento instrução alteração de vencimento"},
    {"15", "Franco de pagamento"},
    {"17", "Liquidação após baixa ou liquidação título não registrado"},
    {"19", "Confirmação recebimento instrução de protesto"},
    {"20", "Confirmação recebimento instrução de sustação/cancelamento de protesto"},
    {"23", "Remessa a cartório (aponte em cartório)"},
    {"24", "Retirada de cartório e manutenção em carteira"},
    {"25", "Protestado e baixado (baixa por ter sido protestado)"},
    {"26", "Instrução rejeitada"},
    {"27", "Confirmação do pedido de alteração de outros dados"},
    {"28", "Débito de tarifas/custas"},
    {"29", "Ocorrências do pagador"},
    {"30", "Alteração de dados rejeitada"},
    {"33", "Confirmação da alteração dos dados do rateio de crédito"},
    {"34", "Confirmação do cancelamento dos dados do rateio de crédito"},
    {"35", "Confirmação do desagendamento do débito automático"},
    {"36", "Confirmação de envio de e-mail/SMS"},
    {"37", "Envio de e-mail/SMS rejeitado"},
    {"38", "Confirmação de alteração do prazo limite de recebimento"},
    {"39", "Confirmação de dispensa de prazo limite de recebimento"},
    {"40", "Confirmação da alteração do número do título dado pelo beneficiário"},
    {"41", "Confirmação da alteração do número controle do participante"},
    {"42", "Confirmação da alteração dos dados do pagador"},
    {"43", "Confirmação da alteração dos dados do sacador/avalista"},
    {"44", "Título pago com cheque devolvido"},
    {"45", "Título pago com cheque compensado"},
    {"46", "Instrução para cancelar protesto confirmada"},
    {"47", "Instrução para protesto para fins falimentares confirmada"},
    {"48", "Confirmação de instrução de transferência de carteira/modalidade de cobrança"},
    {"49", "Alteração de contrato de cobrança"},
    {"50", "Título pendente de pagamento"},
    {"51", "Título DDA reconhecido pelo pagador"},
    {"52", "Título DDA não reconhecido pelo pagador"},
    {"53", "Título DDA recusado pela CIP"},
};

// Banco do Brasil's CBR643 return ("comando").
constexpr Occurrence kBancoDoBrasil[] = {
    {"02", "Confirmação de entrada de título"},
    {"03", "Comando recusado"},
    {"05", "Liquidado sem registro"},
    {"06", "Liquidação normal"},
    {"07", "Liquidação por conta"},
    {"08", "Liquidação por saldo"},
    {"09", "Baixa de título"},
    {"10", "Baixa solicitada"},
    {"11", "Títulos em ser"},
    {"12", "Abatimento concedido"},
    {"13", "Abatimento cancelado"},
    {"14", "Alteração de vencimento do título"},
    {"15", "Liquidação em cartório"},
    {"16", "Confirmação de alteração de juros de mora"},
    {"19", "Confirmação de recebimento de instruções para protesto"},
    {"20", "Débito em conta"},
    {"21", "Alteração do nome do sacado"},
    {"22", "Alteração do endereço do sacado"},
    {"23", "Indicação de encaminhamento a cartório"},
    {"24", "Sustar protesto"},
    {"25", "Dispensar juros de mora"},
    {"26", "Alteração do número do título dado pelo cedente (seu número)"},
    {"28", "Manutenção de título vencido"},
    {"31", "Conceder desconto"},
    {"32", "Não conceder desconto"},
    {"33", "Retificar desconto"},
    {"34", "Alterar data para desconto"},
    {"35", "Cobrar multa"},
    {"36", "Dispensar multa"},
    {"37", "Dispensar indexador"},
    {"38", "Dispensar prazo limite para recebimento"},
    {"39", "Alterar prazo limite para recebimento"},
    {"41", "Alteração do número do controle do participante"},
    {"42", "Alteração do número do documento do sacado (CNPJ/CPF)"},
    {"44", "Título pago com cheque devolvido"},
    {"46", "Título pago com cheque, aguardando compensação"},
    {"72", "Alteração de tipo de cobrança"},
    {"96", "Despesas de protesto"},
    {"97", "Despesas de sustação de protesto"},
    {"98", "Débito de custas antecipadas"},
};

constexpr Occurrence kSantander[] = {
    {"01", "Título não existe"},
    {"02", "Entrada de título confirmada"},
    {"03", "Entrada de título rejeitada"},
    {"06", "Liquidação"},
    {"07", "Liquidação por conta"},
    {"08", "Liquidação por saldo"},
    {"09", "Baixa automática"},
    {"10", "Título baixado conforme instrução"},
    {"11", "Em ser"},
    {"12", "Abatimento concedido"},
    {"13", "Abatimento cancelado"},
    {"14", "Prorrogação de vencimento"},
    {"15", "Confirmação de protesto"},
    {"16", "Título já baixado/liquidado"},
    {"17", "Liquidado em cartório"},
    {"21", "Título enviado a cartório"},
    {"22", "Título retirado de cartório"},
    {"24", "Custas de cartório"},
    {"25", "Protestar título"},
    {"26", "Sustar protesto"},
};

// Caixa's CNAB 400 return (SIGCB).
constexpr Occurrence kCaixa[] = {
    {"01", "Entrada confirmada"},
    {"02", "Baixa confirmada"},
    {"03", "Abatimento concedido"},
    {"04", "Abatimento cancelado"},
    {"05", "Vencimento alterado"},
    {"06", "Uso da empresa alterado"},
    {"07", "Prazo de protesto alterado"},
    {"08", "Prazo de devolução alterado"},
    {"09", "Alteração confirmada"},
    {"10", "Alteração com reemissão de bloqueto confirmada"},
    {"11", "Alteração da opção de protesto para devolução"},
    {"12", "Alteração da opção de devolução para protesto"},
    {"20", "Em ser"},
    {"21", "Liquidação"},
    {"22", "Liquidação em cartório"},
    {"23", "Baixa por devolução"},
    {"24", "Baixa por franco pagamento"},
    {"25", "Baixa por protesto"},
    {"26", "Título enviado para cartório"},
    {"27", "Sustação de protesto"},
    {"28", "Estorno de protesto"},
    {"29", "Estorno de sustação de protesto"},
    {"30", "Alteração de título"},
    {"31", "Tarifa sobre título vencido"},
    {"32", "Outras tarifas de alteração"},
    {"33", "Estorno de baixa/liquidação"},
    {"35", "Liquidação on-line"},
    {"99", "Rejeição do título"},
};

constexpr Occurrence kBradesco[] = {
    {"02", "Entrada confirmada"},
    {"03", "Entrada rejeitada"},
    {"06", "Liquidação normal"},
    {"09", "Baixado automaticamente via arquivo"},
    {"10", "Baixado conforme instruções da agência"},
    {"11", "Em ser - arquivo de títulos pendentes"},
    {"12", "Abatimento concedido"},
    {"13", "Abatimento cancelado"},
    {"14", "Vencimento alterado"},
    {"15", "Liquidação em cartório"},
    {"16", "Título pago em cheque - vinculado"},
    {"17", "Liquidação após baixa ou título não registrado"},
    {"18", "Acerto de depositária"},
    {"19", "Confirmação de recebimento de instrução de protesto"},
    {"20", "Confirmação de recebimento de instrução de sustação de protesto"},
    {"21", "Acerto do controle do participante"},
    {"22", "Título com pagamento cancelado"},
    {"23", "Entrada do título em cartório"},
    {"24", "Entrada rejeitada por CEP irregular"},
    {"25", "Confirmação de recebimento de instrução de protesto falimentar"},
    {"27", "Baixa rejeitada"},
    {"28", "Débito de tarifas/custas"},
    {"29", "Ocorrências do pagador"},
    {"30", "Alteração de outros dados rejeitada"},
    {"32", "Instrução rejeitada"},
    {"33", "Confirmação de pedido de alteração de outros dados"},
    {"34", "Retirado de cartório e manutenção em carteira"},
    {"35", "Desagendamento do débito automático"},
    {"40", "Estorno de pagamento"},
    {"55", "Sustado judicial"},
    {"68", "Acerto dos dados do rateio de crédito"},
    {"69", "Cancelamento dos dados do rateio"},
};

constexpr Occurrence kItau[] = {
    {"02", "Entrada confirmada"},
    {"03", "Entrada rejeitada"},
    {"04", "Alteração de dados - nova entrada ou alteração/exclusão de dados acatada"},
    {"05", "Alteração de dados - baixa"},
    {"06", "Liquidação normal"},
    {"07", "Liquidação parcial - cobrança inteligente (B2B)"},
    {"08", "Liquidação em cartório"},
    {"09", "Baixa simples"},
    {"10", "Baixa por ter sido liquidado"},
    {"11", "Em ser"},
    {"12", "Abatimento concedido"},
    {"13", "Abatimento cancelado"},
    {"14", "Vencimento alterado"},
    {"15", "Baixas rejeitadas"},
    {"16", "Instruções rejeitadas"},
    {"17", "Alteração/exclusão de dados rejeitados"},
    {"18", "Cobrança contratual - instruções/alterações rejeitadas/pendentes"},
    {"19", "Confirma recebimento de instrução de protesto"},
    {"20", "Confirma recebimento de instrução de sustação de protesto/tarifa"},
    {"21", "Confirma recebimento de instrução de não protestar"},
    {"23", "Título enviado a cartório/tarifa"},
    {"24", "Instrução de protesto rejeitada/sustada/pendente"},
    {"25", "Alegações do pagador"},
    {"26", "Tarifa de aviso de cobrança"},
    {"27", "Tarifa de extrato posição"},
    {"28", "Tarifa de relação das liquidações"},
    {"29", "Tarifa de manutenção de títulos vencidos"},
    {"30", "Débito mensal de tarifas (para entradas e baixas)"},
    {"32", "Baixa por ter sido protestado"},
    {"33", "Custas de protesto"},
    {"34", "Custas de sustação"},
    {"35", "Custas de cartório distribuidor"},
    {"36", "Custas de edital"},
    {"47", "Baixa com transferência para desconto"},
    {"57", "Instrução cancelada"},
    {"59", "Baixa por crédito em c/c através do SISPAG"},
    {"63", "Título sustado judicialmente"},
    {"65", "Pagamento com cheque - aguardando compensação"},
    {"69", "Cheque devolvido"},
    {"76", "Cheque compensado"},
};

constexpr Occurrence kSicredi[] = {
    {"02", "Entrada confirmada"},
    {"03", "Entrada rejeitada"},
    {"06", "Liquidação normal"},
    {"09", "Baixado automaticamente via arquivo"},
    {"10", "Baixado conforme instruções da cooperativa de crédito"},
    {"12", "Abatimento concedido"},
    {"13", "Abatimento cancelado"},
    {"14", "Vencimento alterado"},
    {"15", "Liquidação em cartório"},
    {"17", "Liquidação após baixa"},
    {"19", "Confirmação de recebimento de instrução de protesto"},
    {"20", "Confirmação de recebimento de instrução de sustação de protesto"},
    {"23", "Entrada de título em cartório"},
    {"24", "Entrada rejeitada por CEP irregular"},
    {"27", "Baixa rejeitada"},
    {"28", "Tarifa"},
    {"29", "Rejeição do pagador"},
    {"30", "Alteração rejeitada"},
    {"32", "Instrução rejeitada"},
    {"33", "Confirmação de pedido de alteração de outros dados"},
    {"34", "Retirado de cartório e manutenção em carteira"},
    {"35", "Aceite do pagador"},
};

// Sicoob's CNAB 400 return, on the CBR643 record.
constexpr Occurrence kSicoob[] = {
    {"02", "Confirmação entrada título"},
    {"05", "Liquidação sem registro"},
    {"06", "Liquidação normal"},
    {"09", "Baixa de título"},
    {"10", "Baixa solicitada"},
    {"11", "Títulos em ser"},
    {"12", "Abatimento concedido"},
    {"13", "Abatimento cancelado"},
    {"14", "Alteração de vencimento"},
    {"15", "Liquidação em cartório"},
    {"23", "Encaminhado a protesto"},
    {"27", "Confirmação alteração dados"},
    {"48", "Confirmação de instrução de transferência de carteira/modalidade de cobrança"},
};

std::span<const Occurrence> tableOf(const ReturnFile& file) {
    if (file.layout == Layout::Cnab240)
        return kFebraban;
    const std::string_view bank = file.bankCode;
    if (bank == "001")
        return kBancoDoBrasil;
    if (bank == "033")
        return kSantander;
    if (bank == "104")
        return kCaixa;
    if (bank == "237")
        return kBradesco;
    if (bank == "341")
        return kItau;
    if (bank == "748")
        return kSicredi;
    if (bank == "756")
        return kSicoob;
    return {};
}

}  // namespace

std::string_view occurrenceDescription(const ReturnFile& file, std::string_view occurrence) {
    const std::span<const Occurrence> table = tableOf(file);
    const auto found = std::find_if(table.begin(), table.end(), [occurrence](const Occurrence& o) {
        return o.code == occurrence;
    });
    return found == table.end() ? std::string_view() : found->text;
}

}  // namespace confcred::bankreturn
