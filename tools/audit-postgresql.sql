-- The audit trail on a server: every change of a table of records enters one entry, in the
-- change's own transaction, through a trigger whose function runs with the rights of the
-- records' owner, so that the desks need no right on the trail and cannot change it. Every
-- statement here can run again: medora-admin runs them when it sets up records and when it
-- upgrades them.

-- One field of an entry as the chain hashes it (records/AuditChain): no line break of its own
-- and a backslash only as the start of an escape, followed by a line break. Without a search
-- path of its own, the server writes it into the function that hashes the entries, which
-- costs a fraction of calling it for every field of every entry.
CREATE OR REPLACE FUNCTION medora_audit_field(field text) RETURNS text
LANGUAGE sql IMMUTABLE AS $$
    SELECT pg_catalog.replace(pg_catalog.replace(field, E'\\', E'\\\\'), E'\n', E'\\n') || E'\n'
$$;

-- Enters one entry, its hashes left for medora_audit_seal. Who acted is the login that
-- connected (session_user), never the role the function runs as. The desk is the address the
-- server saw the connection come from, or "local" for one through the server's own socket: the
-- application name would be the desk's word only, which any client sets. Holding the writers'
-- turn in a mode that any number of writers share, the transaction keeps a sealing out until
-- it ends: the desks' transactions take it whole already, one written with psql takes it here.
CREATE OR REPLACE FUNCTION medora_audit_append(action text, table_name text, record_id text,
                                               patient_id integer, details text) RETURNS void
LANGUAGE plpgsql AS $$
BEGIN
    LOCK TABLE medora_write_turn IN ROW EXCLUSIVE MODE;
    INSERT INTO audit_trail (time_utc, time_local, user_name, desk, action, table_name, record_id,
                             patient_id, details)
    VALUES (to_char(clock_timestamp() AT TIME ZONE 'UTC', 'YYYY-MM-DD"T"HH24:MI:SS.MS"Z"'),
            to_char(clock_timestamp(), 'YYYY-MM-DD"T"HH24:MI:SS.MS'), session_user,
            coalesce(host(inet_client_addr()), 'local'), action, table_name, record_id,
            patient_id, details);
END
$$;

-- Closes the chain over the entries entered since it was last closed, oldest first: each gets
-- the hash of the entry before it and its own (records/AuditChain). The writers do not wait
-- for the hashes; whoever reads the chain (medora-admin audit verify and report, a backup)
-- closes it first. Once the writers' turn is held against every writer, each entry not yet
-- hashed is committed and follows the last one hashed, so sealers never fork the chain or
-- leave a gap in it; in a transaction with an older view of the trail that would not hold, so
-- it is refused there. The hashes are made in turn and written by one statement for each
-- batch, which costs about half of an update for each entry. Gives the number hashed.
CREATE OR REPLACE FUNCTION medora_audit_seal() RETURNS bigint
LANGUAGE plpgsql SECURITY DEFINER AS $$
DECLARE
    last_sealed integer;
    last_hash text;
    entry record;
    ids integer[];
    previous_hashes text[];
    hashes text[];
    sealed bigint := 0;
BEGIN
    IF current_setting('transaction_isolation') <> 'read committed' THEN
        RAISE EXCEPTION 'the audit trail''s hashes are made only where every entry committed is seen'
            USING ERRCODE = 'invalid_transaction_state';
    END IF;
    SET LOCAL lock_timeout = '20s';
    LOCK TABLE medora_write_turn IN SHARE ROW EXCLUSIVE MODE;
    SELECT t.entry_id, t.hash INTO last_sealed, last_hash FROM audit_trail t
    WHERE t.hash IS NOT NULL ORDER BY t.entry_id DESC LIMIT 1;
    last_sealed := coalesce(last_sealed, 0);
    last_hash := coalesce(last_hash, repeat('0', 64));
    -- In batches, so that a trail of millions of entries never hashed (after an upgrade's
    -- restore, say) needs no more memory than ten thousand.
    LOOP
        ids := '{}';
        previous_hashes := '{}';
        hashes := '{}';
        FOR entry IN SELECT * FROM audit_trail t WHERE t.entry_id > last_sealed
                     ORDER BY t.entry_id LIMIT 10000 LOOP
            ids := ids || entry.entry_id;
            previous_hashes := previous_hashes || last_hash;
            last_hash := encode(sha256(convert_to(
                last_hash || E'\n' || medora_audit_field(entry.time_utc) ||
                medora_audit_field(entry.time_local) || medora_audit_field(entry.user_name) ||
                medora_audit_field(entry.desk) || medora_audit_field(entry.action) ||
                medora_audit_field(entry.table_name) || medora_audit_field(entry.record_id) ||
                medora_audit_field(coalesce(entry.patient_id::text, '')) ||
                medora_audit_field(entry.details), 'UTF8')), 'hex');
            hashes := hashes || last_hash;
            last_sealed := entry.entry_id;
        END LOOP;
        EXIT WHEN cardinality(ids) = 0;
        UPDATE audit_trail t SET previous_hash = made.previous_hash, hash = made.hash
        FROM unnest(ids, previous_hashes, hashes) AS made(entry_id, previous_hash, hash)
        WHERE t.entry_id = made.entry_id;
        sealed := sealed + cardinality(ids);
    END LOOP;
    RETURN sealed;
END
$$;

-- The trigger's arguments name the row's key column and its patient's, as the row's JSON
-- names them ('' for a table whose rows belong to no patient). The row is kept as JSON text
-- written straight from it, its columns in their order: no parsed form is needed to store it.
CREATE OR REPLACE FUNCTION medora_audit_change() RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER AS $$
DECLARE
    changed json;
BEGIN
    IF TG_OP = 'INSERT' THEN
        changed := row_to_json(NEW);
    ELSE
        changed := row_to_json(OLD);
    END IF;
    PERFORM medora_audit_append(lower(TG_OP), TG_TABLE_NAME, changed ->> TG_ARGV[0],
                                (changed ->> TG_ARGV[1])::integer, changed::text);
    RETURN NULL;
END
$$;

-- Access to the records, which the desks enter by inserting into this view: only the words of
-- an access, never of a change, and with who and when as the server knows them.
CREATE OR REPLACE VIEW medora_access AS
    SELECT action, table_name, record_id, patient_id, details FROM audit_trail WHERE false;

CREATE OR REPLACE FUNCTION medora_audit_access() RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER AS $$
BEGIN
    IF NEW.action IS NULL OR NEW.action NOT IN ('open', 'print', 'preview', 'export',
            'search', 'backup', 'restore', 'rescue', 'import', 'sign-in', 'sign-in-failed',
            'sign-out', 'lock', 'unlock', 'rights') THEN
        RAISE EXCEPTION 'not an access to the records: %', NEW.action
            USING ERRCODE = 'check_violation';
    END IF;
    IF octet_length(NEW.details) > 1000 THEN
        RAISE EXCEPTION 'an access entry''s details are too long' USING ERRCODE = 'check_violation';
    END IF;
    PERFORM medora_audit_append(NEW.action, coalesce(NEW.table_name, ''),
                                coalesce(NEW.record_id, ''), NEW.patient_id,
                                coalesce(NEW.details, '{}'));
    RETURN NULL;
END
$$;

CREATE OR REPLACE TRIGGER medora_access INSTEAD OF INSERT ON medora_access
    FOR EACH ROW EXECUTE FUNCTION medora_audit_access();

-- The functions a desk's statement calls find only the server's own objects and Medora's
-- tables, whatever the desk's search path (as does the one that closes the chain, which
-- medora-admin and the backups call); medora_audit_append, which only they call, runs
-- with theirs, without the cost of setting it again for every entry. Each table of records
-- has its trigger.
DO $$
DECLARE
    made text;
    audited record;
BEGIN
    EXECUTE format('ALTER FUNCTION %I.medora_audit_append(text, text, text, integer, text)'
                   ' RESET search_path', current_schema());
    FOREACH made IN ARRAY array['medora_audit_change()', 'medora_audit_access()',
                                'medora_audit_seal()'] LOOP
        EXECUTE format('ALTER FUNCTION %I.%s SET search_path = pg_catalog, %I, pg_temp',
                       current_schema(), made, current_schema());
    END LOOP;
    FOREACH made IN ARRAY array['medora_audit_field(text)',
                                'medora_audit_append(text, text, text, integer, text)',
                                'medora_audit_change()', 'medora_audit_access()',
                                'medora_audit_seal()'] LOOP
        EXECUTE format('REVOKE ALL ON FUNCTION %I.%s FROM PUBLIC', current_schema(), made);
    END LOOP;
    FOR audited IN SELECT * FROM (VALUES
            ('patient_info', 'id', 'id'), ('complaints', 'compl_id', 'patient_id'),
            ('history_entries', 'entry_id', 'patient_id'),
            ('patient_medications', 'medication_id', 'patient_id'),
            ('tests', 'test_id', 'patient_id'), ('meds_list', 'rowid', ''),
            ('tests_list', 'rowid', ''), ('clinic_info', 'info_id', ''))
            AS tables(name, key, patient) LOOP
        EXECUTE format('CREATE OR REPLACE TRIGGER medora_audit AFTER INSERT OR UPDATE OR DELETE'
                       ' ON %I.%I FOR EACH ROW EXECUTE FUNCTION %I.medora_audit_change(%L, %L)',
                       current_schema(), audited.name, current_schema(), audited.key,
                       audited.patient);
    END LOOP;
END
$$;

-- The entries of one row of a patient's records, oldest first, for the history of its
-- changes that a desk shows; with no row named, those of all the patient's rows of the table.
-- The desks may not read the trail, so the function reads it as the records' owner and lets
-- through only what the login that connected may see of the records themselves: the
-- particulars to every desk, visits, histories, medications and tests to clinicians and
-- administrators.
CREATE OR REPLACE FUNCTION medora_row_history(table_name text, record_id text, patient_id integer)
RETURNS TABLE (time_local text, user_name text, action text, row_id text, details text)
LANGUAGE plpgsql STABLE SECURITY DEFINER AS $$
DECLARE
    asked constant text := medora_row_history.table_name;
BEGIN
    IF NOT (asked IN ('complaints', 'history_entries', 'patient_medications', 'tests')
            AND (pg_has_role(session_user, 'medora_clinician', 'MEMBER')
                 OR pg_has_role(session_user, 'medora_admin', 'MEMBER'))
            OR asked = 'patient_info' AND pg_has_role(session_user, 'medora_desk', 'MEMBER')) THEN
        RAISE EXCEPTION 'permission denied for the history of %', asked
            USING ERRCODE = 'insufficient_privilege';
    END IF;
    RETURN QUERY
        SELECT a.time_local, a.user_name, a.action, a.record_id, a.details
        FROM audit_trail a
        WHERE a.patient_id = medora_row_history.patient_id AND a.table_name = asked
          AND (medora_row_history.record_id = '' OR a.record_id = medora_row_history.record_id)
          AND a.action IN ('insert', 'update', 'delete')
        ORDER BY a.entry_id;
END
$$;

DO $$
BEGIN
    EXECUTE format('ALTER FUNCTION %I.medora_row_history(text, text, integer)'
                   ' SET search_path = pg_catalog, %I, pg_temp', current_schema(), current_schema());
    EXECUTE format('REVOKE ALL ON FUNCTION %I.medora_row_history(text, text, integer) FROM PUBLIC',
                   current_schema());
END
$$;
