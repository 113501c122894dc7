// Abort raises the silent exception: a handler may catch it like any other, and when none
// does the script ends there, as a stop it asked for and not as a failure.
var
  channels: integer;

procedure Configure(n: integer);
begin
  try
    if n > 8 then Abort;
    channels := n;
  finally
    writeLn('finally of Configure(' + IntToStr(n) + ')');
  end;
end;

begin
  try
    Configure(16);
  except
    on E: EAbort do writeLn('caught ' + E.ClassName);
  end;
  Configure(4);
  writeLn('channels ' + IntToStr(channels));
  Configure(9);
  writeLn('not reached');
end.
(* output
finally of Configure(16)
caught EAbort
finally of Configure(4)
channels 4
finally of Configure(9)
*)
