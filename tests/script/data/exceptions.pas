// try/except/finally, raise, re-raise, exception objects and runtime faults caught.
var
  i, zero: integer;
  log: string;

procedure Fail(const why: string);
begin
  raise Exception.Create(why);
end;

function Guarded(n: integer): string;
begin
  Result := 'start';
  try
    if n = 0 then Exit;
    Result := Result + ' body';
  finally
    Result := Result + ' finally';
  end;
end;

begin
  try
    Fail('first');
    writeLn('not reached');
  except
    on E: Exception do writeLn('caught ' + E.Message);
  end;

  zero := 0;
  try
    i := 10 div zero;
  except
    writeLn('plain handler: ' + ExceptionMessage);
  end;

  try
    try
      Fail('inner');
    finally
      writeLn('finally runs');
    end;
  except
    on E: Exception do writeLn('outer got ' + E.Message);
  end;

  try
    try
      Fail('again');
    except
      writeLn('handling');
      raise;
    end;
  except
    on E: Exception do writeLn('re-raised ' + E.Message);
  end;

  log := '';
  for i := 1 to 5 do
    try
      if i = 2 then Continue;
      if i = 4 then Break;
      log := log + IntToStr(i);
    finally
      log := log + '.';
    end;
  writeLn(log);

  writeLn(Guarded(0));
  writeLn(Guarded(1));

  try
    StrToInt('abc');
  except
    on E: Exception do writeLn(E.Message);
  end;
  writeLn('end');
end.
(* output
caught first
plain handler: Division by zero
finally runs
outer got inner
handling
re-raised again
1..3..
start finally
start body finally
'abc' is not a valid integer value
end
*)
