// "and" and "or" evaluate both operands, always.
var
  calls: string;

function T(const tag: string): boolean;
begin
  calls := calls + tag;
  Result := True;
end;

function F(const tag: string): boolean;
begin
  calls := calls + tag;
  Result := False;
end;

begin
  calls := '';
  if F('a') and T('b') then writeLn('wrong');
  writeLn(calls);
  calls := '';
  if T('c') or F('d') then writeLn('or is true');
  writeLn(calls);
  calls := '';
  if (F('e') and F('f')) or (T('g') and T('h')) then writeLn('mixed');
  writeLn(calls);
  calls := '';
  if F('i') xor T('j') then writeLn('xor');
  writeLn(calls);
end.
(* output
ab
or is true
cd
mixed
efgh
xor
ij
*)
