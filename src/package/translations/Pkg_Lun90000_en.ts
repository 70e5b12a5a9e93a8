<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Cli_Lun90000</name>
    <message>
        <source>Não foi possível estabelecer uma conexão com o servidor, a tela será finalizada.</source>
        <translation>Could not connect to the server; the screen will close.</translation>
    </message>
    <message>
        <source>Sim</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>Não</source>
        <translation>No</translation>
    </message>
    <message>
        <source>Pendente</source>
        <translation>Pending</translation>
    </message>
    <message>
        <source>Cancelado</source>
        <translation>Cancelled</translation>
    </message>
    <message>
        <source>Efetivado</source>
        <translation>Effected</translation>
    </message>
    <message>
        <source>Operação concluída com sucesso.</source>
        <translation>Operation completed successfully.</translation>
    </message>
    <message>
        <source>Confirma Operação?</source>
        <translation>Confirm the operation?</translation>
    </message>
    <message>
        <source>Deve ser marcado pelo menos um crédito pendente para o cancelamento do crédito.</source>
        <translation>Tick at least one pending credit to cancel it.</translation>
    </message>
    <message>
        <source>Deve ser marcado pelo menos um crédito cancelado para desfazer o cancelamento do crédito.</source>
        <translation>Tick at least one cancelled credit to undo its cancellation.</translation>
    </message>
    <message>
        <source>Deve ser marcado pelo menos um crédito pendente para efetivação do crédito.</source>
        <translation>Tick at least one pending credit to effect it.</translation>
    </message>
    <message>
        <source>Deve ser marcado pelo menos um crédito efetivado para desfazer a efetivação do crédito.</source>
        <translation>Tick at least one effected credit to undo it.</translation>
    </message>
    <message>
        <source>Situação Créd.</source>
        <translation>Credit status</translation>
    </message>
    <message>
        <source>Contabilizado</source>
        <translation>Accounted</translation>
    </message>
    <message>
        <source>Nr. Pedido</source>
        <translation>Order no.</translation>
    </message>
    <message>
        <source>Valor</source>
        <translation>Amount</translation>
    </message>
    <message>
        <source>Data / Hora</source>
        <translation>Date / Time</translation>
    </message>
    <message>
        <source>Descrição Crédito</source>
        <translation>Credit description</translation>
    </message>
    <message>
        <source>Consumidor</source>
        <translation>Consumer</translation>
    </message>
    <message>
        <source>Responsável</source>
        <translation>Responsible</translation>
    </message>
    <message>
        <source>Cliente</source>
        <translation>Client</translation>
    </message>
    <message>
        <source>Código Família</source>
        <translation>Family code</translation>
    </message>
    <message>
        <source>Nome Família</source>
        <translation>Family name</translation>
    </message>
    <message>
        <source>Pedidos listados: %1, %2 · marcados: %3, %4 (pendentes %5, %6; efetivados %7, %8; cancelados %9, %10)</source>
        <translation>Orders listed: %1, %2 · ticked: %3, %4 (pending %5, %6; effected %7, %8; cancelled %9, %10)</translation>
    </message>
    <message>
        <source>Arquivo de retorno bancário</source>
        <translation>Bank return file</translation>
    </message>
    <message>
        <source>Boleto</source>
        <translation>Slip</translation>
    </message>
    <message>
        <source>Pedido</source>
        <translation>Order</translation>
    </message>
    <message>
        <source>Valor do pedido</source>
        <translation>Order value</translation>
    </message>
    <message>
        <source>Valor pago</source>
        <translation>Amount paid</translation>
    </message>
    <message>
        <source>Data do crédito</source>
        <translation>Credit date</translation>
    </message>
    <message>
        <source>Ocorrência</source>
        <translation>Occurrence</translation>
    </message>
    <message>
        <source>Resultado</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>Descrição</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>Conferidos e marcados</source>
        <translation>Matched and ticked</translation>
    </message>
    <message>
        <source>Valor pago diferente do pedido</source>
        <translation>Amount paid differs from the order</translation>
    </message>
    <message>
        <source>Pedido já efetivado</source>
        <translation>Order already effected</translation>
    </message>
    <message>
        <source>Pedido cancelado</source>
        <translation>Order cancelled</translation>
    </message>
    <message>
        <source>Repetidos no arquivo</source>
        <translation>Repeated in the file</translation>
    </message>
    <message>
        <source>Boleto sem pedido</source>
        <translation>Slip without an order</translation>
    </message>
    <message>
        <source>Não são liquidação</source>
        <translation>Not a settlement</translation>
    </message>
    <message>
        <source>Registros no arquivo: %1</source>
        <translation>Records in the file: %1</translation>
    </message>
    <message>
        <source>Efetivar crédito</source>
        <translation>Effect credit</translation>
    </message>
    <message>
        <source>Desfazer crédito</source>
        <translation>Undo credit</translation>
    </message>
    <message>
        <source>Cancelar pedido</source>
        <translation>Cancel order</translation>
    </message>
    <message>
        <source>Desfazer cancelamento</source>
        <translation>Undo cancellation</translation>
    </message>
    <message>
        <source>1 pedido pendente marcado</source>
        <translation>1 pending order ticked</translation>
    </message>
    <message>
        <source>%1 pedidos pendentes marcados</source>
        <translation>%1 pending orders ticked</translation>
    </message>
    <message>
        <source>1 pedido efetivado marcado</source>
        <translation>1 effected order ticked</translation>
    </message>
    <message>
        <source>%1 pedidos efetivados marcados</source>
        <translation>%1 effected orders ticked</translation>
    </message>
    <message>
        <source>1 pedido cancelado marcado</source>
        <translation>1 cancelled order ticked</translation>
    </message>
    <message>
        <source>%1 pedidos cancelados marcados</source>
        <translation>%1 cancelled orders ticked</translation>
    </message>
    <message>
        <source>%1: %2, %3.</source>
        <translation>%1: %2, %3.</translation>
    </message>
    <message>
        <source>1 pedido marcado em outra situação não será enviado.</source>
        <translation>1 ticked order in another situation will not be sent.</translation>
    </message>
    <message>
        <source>%1 pedidos marcados em outra situação não serão enviados.</source>
        <translation>%1 ticked orders in other situations will not be sent.</translation>
    </message>
    <message>
        <source>Pedidos alterados: %1.</source>
        <translation>Orders changed: %1.</translation>
    </message>
    <message>
        <source>Atenção: 1 pedido marcado já foi contabilizado e o servidor recusará a operação inteira. Desmarque-o (Operações &gt; Desmarcar contabilizados) e confirme de novo.</source>
        <translation>Warning: 1 ticked order is already accounted and the server will refuse the whole operation. Untick it (Operations &gt; Untick accounted) and confirm again.</translation>
    </message>
    <message>
        <source>Atenção: %1 pedidos marcados já foram contabilizados e o servidor recusará a operação inteira. Desmarque-os (Operações &gt; Desmarcar contabilizados) e confirme de novo.</source>
        <translation>Warning: %1 ticked orders are already accounted and the server will refuse the whole operation. Untick them (Operations &gt; Untick accounted) and confirm again.</translation>
    </message>
    <message>
        <source>Ocorrência do banco</source>
        <translation>Bank occurrence</translation>
    </message>
    <message>
        <source>Tarifa</source>
        <translation>Fee</translation>
    </message>
    <message>
        <source>Juros</source>
        <translation>Interest</translation>
    </message>
    <message>
        <source>Desconto</source>
        <translation>Discount</translation>
    </message>
    <message>
        <source>Boletos lidos</source>
        <translation>Slips read</translation>
    </message>
    <message>
        <source>Liquidados</source>
        <translation>Settled</translation>
    </message>
    <message>
        <source>Conferidos com pedido</source>
        <translation>Matched to an order</translation>
    </message>
    <message>
        <source>Valor pago (liquidações)</source>
        <translation>Amount paid (settlements)</translation>
    </message>
    <message>
        <source>Valor dos pedidos conferidos</source>
        <translation>Value of the matched orders</translation>
    </message>
    <message>
        <source>Arquivos de retorno|*.ret;*.RET;*.txt;*.TXT|Todos os arquivos|*.*</source>
        <translation>Return files|*.ret;*.RET;*.txt;*.TXT|All files|*.*</translation>
    </message>
    <message>
        <source>M Conferidos: %1 (%2); marcados: %3</source>
        <translation>M Matched: %1 (%2); ticked: %3</translation>
    </message>
    <message>
        <source>Lançamentos no extrato: %1</source>
        <translation>Entries in the statement: %1</translation>
    </message>
    <message>
        <source>Data</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Identificador</source>
        <translation>Identifier</translation>
    </message>
    <message>
        <source>Histórico</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>Pagador</source>
        <translation>Payer</translation>
    </message>
    <message>
        <source>CPF/CNPJ do pagador</source>
        <translation>Payer&apos;s CPF/CNPJ</translation>
    </message>
    <message>
        <source>Txid</source>
        <translation>Txid</translation>
    </message>
    <message>
        <source>Candidatos</source>
        <translation>Candidates</translation>
    </message>
    <message>
        <source>Cita um pedido pendente com o mesmo valor</source>
        <translation>Names a pending order of the same amount</translation>
    </message>
    <message>
        <source>Provável: único pedido pendente do pagador com o mesmo valor</source>
        <translation>Probable: the payer&apos;s only pending order of the same amount</translation>
    </message>
    <message>
        <source>Cita um pedido de outro valor: confira</source>
        <translation>Names an order of another amount: check it</translation>
    </message>
    <message>
        <source>Ambíguo: o pagador não distingue um pedido</source>
        <translation>Ambiguous: the payer does not single out an order</translation>
    </message>
    <message>
        <source>Cita um pedido já efetivado</source>
        <translation>Names an order already effected</translation>
    </message>
    <message>
        <source>Cita um pedido cancelado</source>
        <translation>Names a cancelled order</translation>
    </message>
    <message>
        <source>Repetido no extrato</source>
        <translation>Repeated in the statement</translation>
    </message>
    <message>
        <source>Nenhum pedido pendente com este valor</source>
        <translation>No pending order of this amount</translation>
    </message>
    <message>
        <source>Não é um crédito</source>
        <translation>Not a credit</translation>
    </message>
    <message>
        <source>Extrato bancário</source>
        <translation>Bank statement</translation>
    </message>
    <message>
        <source>Extratos bancários|*.ofx;*.OFX;*.ret;*.RET;*.txt;*.TXT;*.json;*.JSON|Todos os arquivos|*.*</source>
        <translation>Bank statements|*.ofx;*.OFX;*.ret;*.RET;*.txt;*.TXT;*.json;*.JSON|All files|*.*</translation>
    </message>
</context>
<context>
    <name>Cli_Lun90001</name>
    <message>
        <source>Domingo</source>
        <translation>Sunday</translation>
    </message>
    <message>
        <source>Segunda</source>
        <translation>Monday</translation>
    </message>
    <message>
        <source>Terça</source>
        <translation>Tuesday</translation>
    </message>
    <message>
        <source>Quarta</source>
        <translation>Wednesday</translation>
    </message>
    <message>
        <source>Quinta</source>
        <translation>Thursday</translation>
    </message>
    <message>
        <source>Sexta</source>
        <translation>Friday</translation>
    </message>
    <message>
        <source>Sábado</source>
        <translation>Saturday</translation>
    </message>
    <message>
        <source>Pesquisar</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>Código</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>Nome</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Responsável</source>
        <translation>Responsible</translation>
    </message>
    <message>
        <source>Cliente</source>
        <translation>Client</translation>
    </message>
    <message>
        <source>Nr. Inscrição</source>
        <translation>Registration no.</translation>
    </message>
    <message>
        <source>Não há clientes cadastrados.</source>
        <translation>There are no registered clients.</translation>
    </message>
    <message>
        <source>Não há consumidores cadastrados.</source>
        <translation>There are no registered consumers.</translation>
    </message>
    <message>
        <source>Consumidor</source>
        <translation>Consumer</translation>
    </message>
    <message>
        <source>Cliente deve ser informado.</source>
        <translation>A client must be chosen.</translation>
    </message>
    <message>
        <source>Consumidor deve ser informado.</source>
        <translation>A consumer must be chosen.</translation>
    </message>
    <message>
        <source>Data inválida no período: &quot;%1&quot;. Informe a data como DD/MM/AAAA.</source>
        <translation>Invalid date in the period: &quot;%1&quot;. Type the date as DD/MM/YYYY.</translation>
    </message>
</context>
<context>
    <name>Cli_Lun90002</name>
    <message>
        <source>Arquivo deve ser informado.</source>
        <translation>A file must be given.</translation>
    </message>
    <message>
        <source>Arquivo não encontrado.</source>
        <translation>File not found.</translation>
    </message>
    <message>
        <source>Importação realizada com sucesso.</source>
        <translation>Import completed successfully.</translation>
    </message>
    <message>
        <source>Confirma operação?</source>
        <translation>Confirm the operation?</translation>
    </message>
    <message>
        <source>Importando dados...</source>
        <translation>Importing data...</translation>
    </message>
    <message>
        <source>Importação realizada com advertências. Favor verificar o arquivo de log gerado na pasta: C:\Credito\Site\Log_Lun.</source>
        <translation>Import completed with warnings. Please check the log file written to the folder: C:\Credito\Site\Log_Lun.</translation>
    </message>
    <message>
        <source>O arquivo foi importado, mas não pôde ser movido para a pasta C:\Credito\Site\Importados e continua em: %1
Motivo: %2
Mova-o para não importá-lo de novo.</source>
        <translation>The file was imported, but could not be moved to the folder C:\Credito\Site\Importados and is still at: %1
Reason: %2
Move it so that it is not imported again.</translation>
    </message>
    <message>
        <source>já existe o arquivo %1, que foi mantido.</source>
        <translation>the file %1 already exists and was kept.</translation>
    </message>
    <message>
        <source>a pasta %1 não existe.</source>
        <translation>the folder %1 does not exist.</translation>
    </message>
    <message>
        <source>o nome de destino %1 ficaria fora da pasta C:\Credito\Site\Importados.</source>
        <translation>the target name %1 would lie outside the folder C:\Credito\Site\Importados.</translation>
    </message>
    <message>
        <source>o sistema não permitiu mover o arquivo para %1.</source>
        <translation>the system did not allow the file to be moved to %1.</translation>
    </message>
    <message>
        <source>Importação realizada com advertências, mas o arquivo de log não pôde ser gravado na pasta C:\Credito\Site\Log_Lun.
Motivo: %1
Advertências:
%2</source>
        <translation>Import completed with warnings, but the log file could not be written to the folder C:\Credito\Site\Log_Lun.
Reason: %1
Warnings:
%2</translation>
    </message>
    <message>
        <source>não há espaço no disco</source>
        <translation>no space left on the disk</translation>
    </message>
    <message>
        <source>sem permissão para gravar</source>
        <translation>no permission to write</translation>
    </message>
    <message>
        <source>a pasta não existe e não pôde ser criada</source>
        <translation>the folder does not exist and could not be created</translation>
    </message>
    <message>
        <source>falha de gravação</source>
        <translation>write failure</translation>
    </message>
    <message>
        <source>Advertências gravadas no log: %1 (%2).</source>
        <translation>Warnings written to the log: %1 (%2).</translation>
    </message>
    <message>
        <source>Abrir &amp;log</source>
        <translation>Open &amp;log</translation>
    </message>
</context>
<context>
    <name>confcred::package::TfrmConciliacaoExtrato</name>
    <message>
        <source>Conciliação de Extrato</source>
        <translation>Statement Reconciliation</translation>
    </message>
    <message>
        <source>Arquivo: %1</source>
        <translation>File: %1</translation>
    </message>
    <message>
        <source>Lançamentos do extrato</source>
        <translation>Statement entries</translation>
    </message>
    <message>
        <source>Data / Hora</source>
        <translation>Date / Time</translation>
    </message>
    <message>
        <source>Valor</source>
        <translation>Amount</translation>
    </message>
    <message>
        <source>Pagador</source>
        <translation>Payer</translation>
    </message>
    <message>
        <source>Histórico</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>Res.</source>
        <translation>Res.</translation>
    </message>
    <message>
        <source>Nr. Pedido</source>
        <translation>Order No.</translation>
    </message>
    <message>
        <source>Valor Pedido</source>
        <translation>Order Value</translation>
    </message>
    <message>
        <source>Resultado</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>Identificador</source>
        <translation>Identifier</translation>
    </message>
    <message>
        <source>Incluir os &amp;prováveis (P)</source>
        <translation>Include the &amp;probable ones (P)</translation>
    </message>
    <message>
        <source>Os prováveis têm o valor e o pagador de um único pedido pendente, mas não citam o pedido. Confira antes de efetivar.</source>
        <translation>The probable ones have the amount and the payer of a single pending order, but do not name the order. Check them before effecting.</translation>
    </message>
    <message>
        <source>&amp;Marcar conciliados</source>
        <translation>&amp;Tick reconciled</translation>
    </message>
    <message>
        <source>&amp;Imprimir...</source>
        <translation>&amp;Print...</translation>
    </message>
    <message>
        <source>Exportar &amp;CSV...</source>
        <translation>Export &amp;CSV...</translation>
    </message>
    <message>
        <source>&amp;Fechar</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>%1 pedido(s) marcado(s) na lista; efetive-os pela tela de confirmação.</source>
        <translation>%1 order(s) ticked in the list; effect them on the confirmation screen.</translation>
    </message>
    <message>
        <source>Conciliados fora da lista atual (fora do filtro), não marcados: %1</source>
        <translation>Reconciled outside the current list (outside the filter), not ticked: %1</translation>
    </message>
    <message>
        <source>Exportar conciliação</source>
        <translation>Export reconciliation</translation>
    </message>
    <message>
        <source>Arquivo CSV|*.csv</source>
        <translation>CSV file|*.csv</translation>
    </message>
    <message>
        <source>Relatório gravado em %1</source>
        <translation>Report saved to %1</translation>
    </message>
    <message>
        <source>Não foi possível gravar o relatório em %1. Verifique a pasta e tente novamente.</source>
        <translation>The report could not be saved to %1. Check the folder and try again.</translation>
    </message>
</context>
<context>
    <name>confcred::package::TfrmConfCredBco</name>
    <message>
        <source>Confirmação de Crédito Bancário</source>
        <translation>Bank credit confirmation</translation>
    </message>
    <message>
        <source>Efetivar Crédito</source>
        <translation>Effect credit</translation>
    </message>
    <message>
        <source>Desfazer Crédito</source>
        <translation>Undo credit</translation>
    </message>
    <message>
        <source>Cancelar Pedido</source>
        <translation>Cancel order</translation>
    </message>
    <message>
        <source>Desfazer Cancelamento</source>
        <translation>Undo cancellation</translation>
    </message>
    <message>
        <source>Filtro de Confirmação de Crédito Bancário</source>
        <translation>Bank credit confirmation filter</translation>
    </message>
    <message>
        <source>Importação Crédito/Débito Consumidor </source>
        <translation>Consumer credit/debit import</translation>
    </message>
    <message>
        <source>Pedido</source>
        <translation>Order</translation>
    </message>
    <message>
        <source>Família</source>
        <translation>Family</translation>
    </message>
    <message>
        <source>Situação Créd.</source>
        <translation>Credit status</translation>
    </message>
    <message>
        <source>Contabilizado</source>
        <translation>Accounted</translation>
    </message>
    <message>
        <source>Nr. Pedido</source>
        <translation>Order no.</translation>
    </message>
    <message>
        <source>Nr. Boleto</source>
        <translation>Bank slip no.</translation>
    </message>
    <message>
        <source>Data / Hora</source>
        <translation>Date / Time</translation>
    </message>
    <message>
        <source>Descrição Crédito</source>
        <translation>Credit description</translation>
    </message>
    <message>
        <source>Cliente</source>
        <translation>Client</translation>
    </message>
    <message>
        <source>Consumidor</source>
        <translation>Consumer</translation>
    </message>
    <message>
        <source>Responsável</source>
        <translation>Responsible</translation>
    </message>
    <message>
        <source>Valor</source>
        <translation>Amount</translation>
    </message>
    <message>
        <source>Código Família</source>
        <translation>Family code</translation>
    </message>
    <message>
        <source>Nome Família</source>
        <translation>Family name</translation>
    </message>
    <message>
        <source>Carregando pedidos...</source>
        <translation>Loading orders...</translation>
    </message>
    <message>
        <source>&amp;Operações</source>
        <translation>&amp;Operations</translation>
    </message>
    <message>
        <source>&amp;Efetivar Crédito</source>
        <translation>&amp;Effect credit</translation>
    </message>
    <message>
        <source>&amp;Desfazer Crédito</source>
        <translation>&amp;Undo credit</translation>
    </message>
    <message>
        <source>&amp;Cancelar Pedido</source>
        <translation>&amp;Cancel order</translation>
    </message>
    <message>
        <source>Desfazer Ca&amp;ncelamento</source>
        <translation>Undo ca&amp;ncellation</translation>
    </message>
    <message>
        <source>&amp;Filtro...</source>
        <translation>&amp;Filter...</translation>
    </message>
    <message>
        <source>&amp;Importar...</source>
        <translation>&amp;Import...</translation>
    </message>
    <message>
        <source>Marcar pelo &amp;retorno bancário...</source>
        <translation>Tick from bank &amp;return...</translation>
    </message>
    <message>
        <source>Marcado</source>
        <translation>Ticked</translation>
    </message>
    <message>
        <source>Não marcado</source>
        <translation>Not ticked</translation>
    </message>
    <message>
        <source>&amp;Localizar:</source>
        <translation>&amp;Find:</translation>
    </message>
    <message>
        <source>Nr. Pedido, Nr. Boleto, Consumidor ou Responsável (F3)</source>
        <translation>Order no., slip no., consumer or responsible person (F3)</translation>
    </message>
    <message>
        <source>Nenhum pedido encontrado.</source>
        <translation>No order found.</translation>
    </message>
    <message>
        <source>Seu perfil (consulta) permite só consultar: as operações e a importação pedem o perfil operador.</source>
        <translation>Your role (consulta) may only look: the operations and the import need the operador role.</translation>
    </message>
    <message>
        <source>Pedidos contabilizados desmarcados: %1.</source>
        <translation>Accounted orders unticked: %1.</translation>
    </message>
    <message>
        <source>&amp;Marcar todos</source>
        <translation>Tick &amp;all</translation>
    </message>
    <message>
        <source>Desmarcar &amp;todos</source>
        <translation>Untick a&amp;ll</translation>
    </message>
    <message>
        <source>Desmarcar contabilizados</source>
        <translation>Untick accounted</translation>
    </message>
    <message>
        <source>Filtro: %1</source>
        <translation>Filter: %1</translation>
    </message>
    <message>
        <source>Filtro: nenhuma lista buscada ainda</source>
        <translation>Filter: no list fetched yet</translation>
    </message>
    <message>
        <source>Conciliação de e&amp;xtrato...</source>
        <translation>Statement reconcilia&amp;tion...</translation>
    </message>
    <message>
        <source>&amp;Histórico do pedido...</source>
        <translation>Order &amp;history...</translation>
    </message>
    <message>
        <source>Fech&amp;amento...</source>
        <translation>Closin&amp;g...</translation>
    </message>
</context>
<context>
    <name>confcred::package::TfrmFechamento</name>
    <message>
        <source>Pedidos importados</source>
        <translation>Orders imported</translation>
    </message>
    <message>
        <source>Créditos efetivados</source>
        <translation>Credits effected</translation>
    </message>
    <message>
        <source>Efetivações desfeitas</source>
        <translation>Credits undone</translation>
    </message>
    <message>
        <source>Pedidos cancelados</source>
        <translation>Orders cancelled</translation>
    </message>
    <message>
        <source>Cancelamentos desfeitos</source>
        <translation>Cancellations undone</translation>
    </message>
    <message>
        <source>Fechamento</source>
        <translation>Closing</translation>
    </message>
    <message>
        <source>Início do período</source>
        <translation>Start of the period</translation>
    </message>
    <message>
        <source>Fim do período</source>
        <translation>End of the period</translation>
    </message>
    <message>
        <source>&amp;De</source>
        <translation>&amp;From</translation>
    </message>
    <message>
        <source>&amp;até</source>
        <translation>&amp;to</translation>
    </message>
    <message>
        <source>&amp;Consultar</source>
        <translation>&amp;Query</translation>
    </message>
    <message>
        <source>Operação</source>
        <translation>Operation</translation>
    </message>
    <message>
        <source>Pedidos</source>
        <translation>Orders</translation>
    </message>
    <message>
        <source>Valor</source>
        <translation>Amount</translation>
    </message>
    <message>
        <source>Fechamento por operador</source>
        <translation>Closing by operator</translation>
    </message>
    <message>
        <source>Operador</source>
        <translation>Operator</translation>
    </message>
    <message>
        <source>Fechamento por cliente</source>
        <translation>Closing by client</translation>
    </message>
    <message>
        <source>Cliente</source>
        <translation>Client</translation>
    </message>
    <message>
        <source>Créditos efetivados por dia e operador</source>
        <translation>Credits effected per day and operator</translation>
    </message>
    <message>
        <source>&amp;Imprimir...</source>
        <translation>&amp;Print...</translation>
    </message>
    <message>
        <source>Exportar C&amp;SV...</source>
        <translation>Export C&amp;SV...</translation>
    </message>
    <message>
        <source>&amp;Fechar</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>Livro-razão conferido em %1: %2 lançamentos, cadeia %3.</source>
        <translation>Ledger verified at %1: %2 entries, chain %3.</translation>
    </message>
    <message>
        <source>ATENÇÃO: a cadeia do livro-razão NÃO confere (em %1: %2 lançamentos, cadeia %3).</source>
        <translation>WARNING: the ledger&apos;s chain does NOT hold (at %1: %2 entries, chain %3).</translation>
    </message>
    <message>
        <source>Créditos efetivados por dia e operador (R$)</source>
        <translation>Credits effected per day and operator (R$)</translation>
    </message>
    <message>
        <source>Período: %1 a %2</source>
        <translation>Period: %1 to %2</translation>
    </message>
    <message>
        <source>Por cliente:</source>
        <translation>By client:</translation>
    </message>
</context>
<context>
    <name>confcred::package::TfrmFiltroConfCredBco</name>
    <message>
        <source>Cliente</source>
        <translation>Client</translation>
    </message>
    <message>
        <source>Todos</source>
        <translation>All</translation>
    </message>
    <message>
        <source>Lista</source>
        <translation>List</translation>
    </message>
    <message>
        <source>Consumidor/Resp.</source>
        <translation>Consumer/Resp.</translation>
    </message>
    <message>
        <source>Não há consumidor cadastrado.</source>
        <translation>There is no registered consumer.</translation>
    </message>
    <message>
        <source>Período</source>
        <translation>Period</translation>
    </message>
    <message>
        <source>de</source>
        <translation>from</translation>
    </message>
    <message>
        <source>até</source>
        <translation>to</translation>
    </message>
    <message>
        <source>Contabilizado</source>
        <translation>Accounted</translation>
    </message>
    <message>
        <source>Sim</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>Não</source>
        <translation>No</translation>
    </message>
    <message>
        <source>Situação</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Pendente</source>
        <translation>Pending</translation>
    </message>
    <message>
        <source>Efetivado</source>
        <translation>Effected</translation>
    </message>
    <message>
        <source>Cancelado</source>
        <translation>Cancelled</translation>
    </message>
    <message>
        <source>Nr. Pedido</source>
        <translation>Order no.</translation>
    </message>
    <message>
        <source>Descrição do Crédito</source>
        <translation>Credit description</translation>
    </message>
    <message>
        <source>Filtro de Confirmação de Crédito Bancário</source>
        <translation>Bank credit confirmation filter</translation>
    </message>
    <message>
        <source>Nenhum</source>
        <translation>None</translation>
    </message>
    <message>
        <source>%1 até %2</source>
        <translation>%1 to %2</translation>
    </message>
    <message>
        <source>Todas</source>
        <translation>All</translation>
    </message>
</context>
<context>
    <name>confcred::package::TfrmHistoricoPedido</name>
    <message>
        <source>Histórico do pedido</source>
        <translation>Order history</translation>
    </message>
    <message>
        <source>A cadeia do livro-razão confere até o último evento.</source>
        <translation>The ledger&apos;s chain holds up to the last event.</translation>
    </message>
    <message>
        <source>ATENÇÃO: a cadeia do livro-razão não confere a partir de um dos eventos (coluna Conferido = N): o registro foi alterado fora do sistema.</source>
        <translation>WARNING: the ledger&apos;s chain does not hold from one of the events on (column Verified = N): the record was changed outside the system.</translation>
    </message>
    <message>
        <source>Pedido: %1</source>
        <translation>Order: %1</translation>
    </message>
    <message>
        <source>Eventos do pedido</source>
        <translation>Order events</translation>
    </message>
    <message>
        <source>Data / Hora</source>
        <translation>Date / Time</translation>
    </message>
    <message>
        <source>Evento</source>
        <translation>Event</translation>
    </message>
    <message>
        <source>Operador</source>
        <translation>Operator</translation>
    </message>
    <message>
        <source>Posição na cadeia</source>
        <translation>Chain position</translation>
    </message>
    <message>
        <source>Conferido</source>
        <translation>Verified</translation>
    </message>
    <message>
        <source>&amp;Imprimir...</source>
        <translation>&amp;Print...</translation>
    </message>
    <message>
        <source>&amp;Fechar</source>
        <translation>&amp;Close</translation>
    </message>
</context>
<context>
    <name>confcred::package::TfrmImporCons</name>
    <message>
        <source>Importação Crédito/Débito Consumidor </source>
        <translation>Consumer credit/debit import</translation>
    </message>
    <message>
        <source>Importar</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>Arquivo</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Pesquisar</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>Text File|*.txt|All Files|*.*</source>
        <translation>Text file|*.txt|All files|*.*</translation>
    </message>
    <message>
        <source>Importação concluída: %1; advertências: %2.</source>
        <translation>Import done: %1; warnings: %2.</translation>
    </message>
    <message>
        <source>Não foi possível abrir o log %1.</source>
        <translation>Could not open the log %1.</translation>
    </message>
    <message>
        <source>Pedidos criados: %1.</source>
        <translation>Orders created: %1.</translation>
    </message>
</context>
<context>
    <name>confcred::package::TfrmRetornoBancario</name>
    <message>
        <source>Retorno Bancário</source>
        <translation>Bank Return</translation>
    </message>
    <message>
        <source>Arquivo: %1</source>
        <translation>File: %1</translation>
    </message>
    <message>
        <source>Boleto</source>
        <translation>Slip</translation>
    </message>
    <message>
        <source>Nr. Pedido</source>
        <translation>Order No.</translation>
    </message>
    <message>
        <source>Valor Pedido</source>
        <translation>Order Value</translation>
    </message>
    <message>
        <source>Valor Pago</source>
        <translation>Amount Paid</translation>
    </message>
    <message>
        <source>Res.</source>
        <translation>Res.</translation>
    </message>
    <message>
        <source>Resultado</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>&amp;Imprimir...</source>
        <translation>&amp;Print...</translation>
    </message>
    <message>
        <source>Exportar &amp;CSV</source>
        <translation>Export &amp;CSV</translation>
    </message>
    <message>
        <source>&amp;Fechar</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>Relatório gravado em %1</source>
        <translation>Report saved to %1</translation>
    </message>
    <message>
        <source>Não foi possível gravar o relatório em %1. Verifique a pasta e tente novamente.</source>
        <translation>The report could not be saved to %1. Check the folder and try again.</translation>
    </message>
    <message>
        <source>Ocorrência do banco</source>
        <translation>Bank occurrence</translation>
    </message>
    <message>
        <source>Tarifa</source>
        <translation>Fee</translation>
    </message>
    <message>
        <source>Juros</source>
        <translation>Interest</translation>
    </message>
    <message>
        <source>Desconto</source>
        <translation>Discount</translation>
    </message>
    <message>
        <source>Total: %1 registro(s)</source>
        <translation>Total: %1 record(s)</translation>
    </message>
    <message>
        <source>Exportar relatório do retorno</source>
        <translation>Export the return report</translation>
    </message>
    <message>
        <source>Arquivo CSV (separado por ponto e vírgula)|*.csv|Todos os arquivos|*.*</source>
        <translation>CSV file (semicolon separated)|*.csv|All files|*.*</translation>
    </message>
    <message>
        <source>O arquivo %1 já existe. Substituir?</source>
        <translation>The file %1 already exists. Replace it?</translation>
    </message>
    <message>
        <source>Conferidos fora da lista atual (fora do filtro), por isso não marcados: %1 pedido(s): %2. Para marcá-los, inclua-os no filtro e use o retorno de novo.</source>
        <translation>Matched outside the current list (outside the filter), so not ticked: %1 order(s): %2. To tick them, include them in the filter and use the return again.</translation>
    </message>
    <message>
        <source>Registros do retorno</source>
        <translation>Return records</translation>
    </message>
    <message>
        <source>Todos os registros</source>
        <translation>All records</translation>
    </message>
    <message>
        <source>Não marcados</source>
        <translation>Not ticked</translation>
    </message>
    <message>
        <source>&amp;Mostrar:</source>
        <translation>&amp;Show:</translation>
    </message>
</context>
</TS>
